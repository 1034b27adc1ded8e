#include "PaymentResponse.h"

#include "FrameCodec.h"
#include "MemoryLogTool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ecr17::detail;

namespace {

std::u16string frame(std::u16string_view Apayload)
{
    return STX + std::u16string(Apayload) + ETX + u'z';
}

// The common tail, positions 48-71: card type, acquirer id, STAN, online id.
const std::u16string tail = u"C" u"00000000001" u"000042" u"ONL001";
// Positions 13-47 of an approved payment: PAN, type, auth code, date/time.
const std::u16string approvedData = u"499999******0001   " u"PAG" u"A1B2C3" u"0912231";
// Positions 13-47 of a refusal: the description and eleven unread characters.
const std::u16string refusalData = u"CARTA RIFIUTATA         " u"xxxxxxxxxxx";

std::u16string outcome(std::u16string_view Acode, std::u16string_view Aresult, std::u16string_view Adata)
{
    return u"12345678" u"0" + std::u16string(Acode) + std::u16string(Aresult) + std::u16string(Adata) + tail;
}

// The common tail rendered in each form.
struct Tail {
    std::u16string text, json;
};
const Tail fullTail = {u"Card Type: C\nAcquirer ID: 00000000001\nSTAN: 000042\nID online: ONL001\n",
                       u"\"cardType\":\"C\",\"acquirerID\":\"00000000001\",\"stan\":\"000042\",\"IDonline\":\"ONL001\""};
const Tail emptyTail = {u"Card Type: \nAcquirer ID: \nSTAN: \nID online: \n",
                        u"\"cardType\":\"\",\"acquirerID\":\"\",\"stan\":\"\",\"IDonline\":\"\""};

// The fields after the terminal id, which is always "12345678" here.
struct Lines {
    std::u16string result, pan, tranType, authCode, dateTime, description;
    Tail tail;
};

std::u16string expectedText(const Lines& Al)
{
    return u"Terminal ID: 12345678\nResult: " + Al.result + u"\nPAN: " + Al.pan + u"\nTransaction Type: " + Al.tranType
           + u"\nAuth Code: " + Al.authCode + u"\nDate/time: " + Al.dateTime + u"\nDescription: " + Al.description
           + u"\n" + Al.tail.text;
}

std::u16string expectedJSON(const Lines& Al)
{
    return u"{\"termID\":\"12345678\",\"result\":\"" + Al.result + u"\",\"pan\":\"" + Al.pan + u"\",\"tranType\":\""
           + Al.tranType + u"\",\"authCode\":\"" + Al.authCode + u"\",\"dateTime\":\"" + Al.dateTime
           + u"\",\"description\":\"" + Al.description + u"\"," + Al.tail.json + u"}";
}

TEST(ParsePaymentRes, RendersOutcomesInBothForms)
{
    struct Case {
        const char* name;
        std::u16string payload;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {"approved", outcome(u"E", u"00", approvedData),
         {u"00", u"499999******0001   ", u"PAG", u"A1B2C3", u"0912231", u"", fullTail}},
        {"refused, code V", outcome(u"V", u"01", refusalData),
         {u"01", u"", u"", u"", u"", u"CARTA RIFIUTATA         ", fullTail}},
        {"other result: no transaction data, no description", outcome(u"E", u"05", approvedData),
         {u"05", u"", u"", u"", u"", u"", fullTail}},
        {"approved, 47 characters: common fields empty", outcome(u"E", u"00", approvedData).substr(0, 47),
         {u"00", u"499999******0001   ", u"PAG", u"A1B2C3", u"0912231", u"", emptyTail}},
        {"cut inside the PAN", outcome(u"E", u"00", approvedData).substr(0, 20),
         {u"00", u"499999**", u"", u"", u"", u"", emptyTail}},
        {"10 characters: no result", u"123456780E",
         {u"", u"", u"", u"", u"", u"", emptyTail}},
        {"one-character result equals no code", outcome(u"E", u"00", approvedData).substr(0, 11),
         {u"0", u"", u"", u"", u"", u"", emptyTail}},
        {"characters above 0x7F", outcome(u"E", u"00", u"4\uFFFD" + approvedData.substr(2)),
         {u"00", u"4?9999******0001   ", u"PAG", u"A1B2C3", u"0912231", u"", fullTail}},
        {"longer payload: the rest is not read", outcome(u"E", u"01", refusalData) + u"EXTRA",
         {u"01", u"", u"", u"", u"", u"CARTA RIFIUTATA         ", fullTail}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryLogTool log;
        std::u16string res = u"stale";
        ASSERT_TRUE(parsePaymentRes(frame(c.payload), false, res));
        EXPECT_EQ(res, expectedText(c.lines));
        ASSERT_TRUE(parsePaymentRes(frame(c.payload), true, res));
        EXPECT_EQ(res, expectedJSON(c.lines));
        EXPECT_TRUE(log.records().empty()) << "the parser neither traces nor logs";
    }
}

TEST(ParsePaymentRes, RefusesWhatIsNoOutcomeAndEmptiesTheResult)
{
    struct Case {
        const char* name;
        std::u16string received;
    };
    const std::vector<Case> cases = {
        {"receipt block code S", frame(outcome(u"S", u"00", approvedData))},
        {"lower-case e", frame(outcome(u"e", u"00", approvedData))},
        {"9 characters", frame(u"123456780")},
        {"empty payload", std::u16string{STX, ETX}},
        {"only ETX", std::u16string{ETX}},
        {"no STX and ETX", outcome(u"E", u"00", approvedData)},
        {"acknowledgement only", ackFrame()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string res = u"stale";
        EXPECT_FALSE(parsePaymentRes(c.received, false, res));
        EXPECT_EQ(res, u"");
    }
}

TEST(PaymentResponse, ClearEmptiesEveryField)
{
    TPaymentResponse r;
    r.termID.assign(u"12345678");
    r.description.assign(u"text");
    r.IDonline.assign(u"ONL001");
    clearPayResponse(r);
    EXPECT_EQ(payResToText(r), u"Terminal ID: \nResult: \nPAN: \nTransaction Type: \nAuth Code: \nDate/time: \n"
                               u"Description: \n" + emptyTail.text);
}

} // namespace
