#include "PayRequest.h"

#include "CurrencyFormat.h"
#include "MemoryLogTool.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using namespace ecr17::detail;

namespace {

using Kind = TLogRecordKind;

// Pins the monetary category to "C" for one test, so nothing depends on the
// machine's regional settings.
class ClassicMoneyLocale {
public:
    ClassicMoneyLocale() : FSaved(std::setlocale(LC_MONETARY, nullptr)) { std::setlocale(LC_MONETARY, "C"); }
    ~ClassicMoneyLocale() { std::setlocale(LC_MONETARY, FSaved.c_str()); }

private:
    std::string FSaved;
};

TEST(AmountValidate, AcceptsWholeCentsFromOneCentBelowAMillion)
{
    struct Case {
        Currency amount;
        const char16_t* amountText; // empty: not valid
    };
    const std::vector<Case> cases = {
        {100, u"00000001"},
        {123400, u"00001234"},
        {9'999'999'900, u"99999999"},
        {10'000'000'000, u""},
        {10'000'000'100, u""},
        {0, u""},
        {-100, u""},
        {150, u""},
        {1, u""},
        {std::numeric_limits<Currency>::min(), u""},
        {std::numeric_limits<Currency>::max(), u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        TMemoryLogTool log;
        std::u16string amountText = u"stale";
        const bool valid = *c.amountText != 0;
        EXPECT_EQ(amountValidate(c.amount, amountText), valid);
        EXPECT_EQ(amountText, c.amountText);
        EXPECT_EQ(amountValidate(c.amount), valid);
    }
}

TEST(AmountValidate, LogsTheAmountAndTheVerdict)
{
    ClassicMoneyLocale classic;
    TMemoryLogTool log;
    std::u16string amountText;
    ASSERT_TRUE(amountValidate(100, amountText));
    ASSERT_FALSE(amountValidate(-10000));
    const std::vector<TLogRecord> expected = {
        {Kind::Enter, u"amountValidate"},
        {Kind::Info, u"Amount validate start"},
        {Kind::Info, u"Amount: 0.0100"},
        {Kind::Info, u"Validation successful: 00000001"},
        {Kind::Exit, u"amountValidate"},
        {Kind::Enter, u"amountValidate"},
        {Kind::Info, u"Amount validate start"},
        {Kind::Info, u"Amount: -1.0000"},
        {Kind::Warning, u"Validation failed"},
        {Kind::Exit, u"amountValidate"},
    };
    EXPECT_EQ(log.records(), expected);
}

// Euro-style money written by a facet the test supplies itself.
class TestMoneyPunct : public std::moneypunct<char, false> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
    std::string do_curr_symbol() const override { return "\xE2\x82\xAC"; }
    std::string do_negative_sign() const override { return "-"; }
    pattern do_pos_format() const override { return {{symbol, space, sign, value}}; }
    pattern do_neg_format() const override { return {{sign, value, space, symbol}}; }
};

TEST(FormatCurrency, FollowsTheLocalesMoneyFormatWithFourDecimals)
{
    const std::locale euro(std::locale::classic(), new TestMoneyPunct);
    struct Case {
        Currency amount;
        const char16_t* classic;
        const char16_t* euro;
    };
    const std::vector<Case> cases = {
        {100, u"0.0100", u"\u20AC 0,0100"},
        {123'456'789'0123, u"123456789.0123", u"\u20AC 123.456.789,0123"},
        {-10000, u"-1.0000", u"-1,0000 \u20AC"},
        {0, u"0.0000", u"\u20AC 0,0000"},
        {std::numeric_limits<Currency>::min(), u"-922337203685477.5808", u"-922.337.203.685.477,5808 \u20AC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        EXPECT_EQ(formatCurrency(c.amount, std::locale::classic()), c.classic);
        EXPECT_EQ(formatCurrency(c.amount, euro), c.euro);
    }
}

TEST(BuildPayRequest, LaysOutTheDescriptionRightAlignedIn128Characters)
{
    const std::u16string head = u"000000000P0000000000000" u"00000001";
    const std::u16string long130 = std::u16string(100, u'a') + std::u16string(30, u'b');
    struct Case {
        const char* name;
        std::u16string text;
        std::u16string field;
    };
    const std::vector<Case> cases = {
        {"empty", u"", std::u16string(128, u' ')},
        {"ABC", u"ABC", std::u16string(125, u' ') + u"ABC"},
        {"130 characters", long130, long130.substr(0, 128)},
        {"exactly 128", std::u16string(128, u'x'), std::u16string(128, u'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryLogTool log;
        const std::u16string request = buildPayRequest(c.text, 100);
        EXPECT_EQ(request.size(), payRequestLength);
        EXPECT_EQ(request, head + c.field + u"00000000");
    }
}

TEST(BuildPayRequest, RaisesOnAnInvalidAmountAfterLoggingTheRefusal)
{
    for (const Currency amount : {Currency{0}, Currency{150}, Currency{10'000'000'000}}) {
        SCOPED_TRACE(amount);
        TMemoryLogTool log;
        try {
            (void)buildPayRequest(u"ABC", amount);
            ADD_FAILURE() << "no error raised";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "Amount non valid.");
        }
        const std::vector<TLogRecord> records = log.records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.back(), (TLogRecord{Kind::Exit, u"amountValidate"}));
        EXPECT_EQ(records[records.size() - 2], (TLogRecord{Kind::Warning, u"Validation failed"}));
    }
}

} // namespace
