#include "StatusResponse.h"

#include "FrameCodec.h"
#include "MemoryLogTool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ecr17::detail;

namespace {

using Kind = TLogRecordKind;

// Terminal id, 12 unread characters, date/time, status, then the release.
const std::u16string termID = u"12345678";
const std::u16string unread = u"0s9999999999";
const std::u16string dateTime = u"0912231530";

// A response as the transport delivers it; the LRC is not examined by the parser.
std::u16string frame(std::u16string_view Apayload)
{
    return STX + std::u16string(Apayload) + ETX + u'z';
}

std::u16string payload(std::u16string_view Astatus, std::u16string_view Arelease)
{
    return termID + unread + dateTime + std::u16string(Astatus) + std::u16string(Arelease);
}

TEST(ParseStatusRes, RendersAcceptedPayloadsAsLabelledLines)
{
    struct Case {
        const char* name;
        std::u16string received;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"40 characters", frame(payload(u"0", u"SW1.05.00")),
         u"Terminal ID: 12345678\nDate/time: 0912231530\nStatus: 0\nSW Release: SW1.05.00\n"},
        {"31 characters: no release", frame(payload(u"1", u"")),
         u"Terminal ID: 12345678\nDate/time: 0912231530\nStatus: 1\nSW Release: \n"},
        {"arrived together with the acknowledgement", ackFrame() + frame(payload(u"0", u"R2")),
         u"Terminal ID: 12345678\nDate/time: 0912231530\nStatus: 0\nSW Release: R2\n"},
        // A single-byte field cannot hold U+FFFD; the release is full text and can.
        {"characters above 0x7F", frame(u"1234\uFFFD678" + unread + u"09122315\u00E90" + u"\uFFFD" + u"v\uFFFD"),
         u"Terminal ID: 1234?678\nDate/time: 09122315?0\nStatus: ?\nSW Release: v\uFFFD\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryLogTool log;
        std::u16string res;
        ASSERT_TRUE(parseStatusRes(c.received, false, res));
        EXPECT_EQ(res, c.text);
    }
}

TEST(ParseStatusRes, RendersJSONWithFourStringMembersInOrder)
{
    TMemoryLogTool log;
    std::u16string res;
    ASSERT_TRUE(parseStatusRes(frame(payload(u"0", u"SW1.05.00")), true, res));
    EXPECT_EQ(res, u"{\"termID\":\"12345678\",\"datetime\":\"0912231530\",\"status\":\"0\",\"SWrelease\":\"SW1.05.00\"}");
    ASSERT_TRUE(parseStatusRes(frame(payload(u"\"", u"")), true, res));
    EXPECT_EQ(res, u"{\"termID\":\"12345678\",\"datetime\":\"0912231530\",\"status\":\"\\\"\",\"SWrelease\":\"\"}");
}

TEST(ParseStatusRes, PositionsNineToTwentyNeverReachTheResult)
{
    TMemoryLogTool log;
    std::u16string first, second;
    const std::u16string other = termID + u"XEXXXXXXXXXX" + dateTime + u"0";
    ASSERT_TRUE(parseStatusRes(frame(payload(u"0", u"")), false, first));
    ASSERT_TRUE(parseStatusRes(frame(other), false, second));
    EXPECT_EQ(first, second);
}

TEST(ParseStatusRes, TracesAndLogsTheAcceptedPayload)
{
    TMemoryLogTool log;
    std::u16string res;
    const std::u16string p = payload(u"0", u"SW1");
    ASSERT_TRUE(parseStatusRes(frame(p), false, res));
    const std::vector<TLogRecord> expected = {
        {Kind::Enter, u"parseStatusRes"},
        {Kind::Info, u"EFT status response:  " + p},
        {Kind::Exit, u"parseStatusRes"},
    };
    EXPECT_EQ(log.records(), expected);
}

TEST(ParseStatusRes, RefusesShortOrMissingPayloadsAndKeepsTheResult)
{
    struct Case {
        const char* name;
        std::u16string received;
        bool logsPayload;
    };
    const std::u16string thirty = payload(u"", u"");
    const std::vector<Case> cases = {
        {"30 characters", frame(thirty), true},
        {"one character", frame(u"1"), true},
        {"empty payload", std::u16string{STX, ETX}, false},
        {"only ETX", std::u16string{ETX}, false},
        {"no ETX", std::u16string{STX} + payload(u"0", u"SW"), false},
        {"nothing", u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryLogTool log;
        std::u16string res = u"kept";
        EXPECT_FALSE(parseStatusRes(c.received, false, res));
        EXPECT_EQ(res, u"kept");
        std::vector<TLogRecord> expected = {{Kind::Enter, u"parseStatusRes"}, {Kind::Exit, u"parseStatusRes"}};
        if (c.logsPayload)
            expected.insert(expected.begin() + 1,
                            {Kind::Info, u"EFT status response:  " + extractBetween(c.received, STX, ETX)});
        EXPECT_EQ(log.records(), expected);
    }
}

TEST(StatusResponse, ShortFieldsHoldAtMostTheirCapacity)
{
    TStatusResponse r;
    r.TermID.assign(u"123456789");
    r.Status.assign(u"01");
    EXPECT_EQ(statusResToText(r), u"Terminal ID: 12345678\nDate/time: \nStatus: 0\nSW Release: \n");
}

} // namespace
