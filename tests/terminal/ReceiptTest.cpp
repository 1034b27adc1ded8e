#include "ReceiptText.h"

#include "FrameCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ecr17::detail;

namespace {

constexpr char16_t DEL = 0x7F;

std::u16string frame(std::u16string_view Apayload)
{
    return STX + std::u16string(Apayload) + ETX + u'z';
}

std::u16string chars(std::size_t Acount, char16_t Ac = u'x') { return std::u16string(Acount, Ac); }

TEST(ParseReceiptRes, TakesTheTextAfterCodeSAndSpotsTheEndMark)
{
    struct Case {
        const char* name;
        std::u16string received;
        bool accepted;
        std::u16string block;
        bool last;
    };
    const std::u16string withEsc = u"Riga}" + std::u16string{ESC};
    const std::vector<Case> cases = {
        {"five characters", frame(u"000000000SABCDE"), true, u"ABCDE", false},
        {"ESC after them: last, ESC kept", frame(u"000000000SABCDE" + std::u16string{ESC}), true,
         u"ABCDE" + std::u16string{ESC}, true},
        {"control characters kept", frame(u"000000000S\r\n" + withEsc), true, u"\r\n" + withEsc, true},
        {"10 characters ending in S", frame(u"000000000S"), false, u"", false},
        {"outcome code E", frame(u"123456780E00xxxxxxxx"), false, u"", false},
        {"empty payload", std::u16string{STX, ETX}, false, u"", false},
        {"only ETX", std::u16string{ETX}, false, u"", false},
        {"no frame", u"000000000SABCDE", false, u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool lastBefore : {false, true}) {
            std::u16string block = u"stale";
            bool last = lastBefore;
            EXPECT_EQ(parseReceiptRes(c.received, block, last), c.accepted);
            EXPECT_EQ(block, c.block);
            EXPECT_EQ(last, c.accepted ? c.last : lastBefore) << "a refused text leaves the flag alone";
        }
    }
}

TEST(FormatReceipt, CleansAndWrapsToTheColumnWidth)
{
    struct Case {
        const char* name;
        std::u16string receipt;
        std::uint16_t cols;
        std::u16string formatted;
    };
    const std::vector<Case> cases = {
        {"short lines keep their ends; no LF after the last", u"abc}def", 24, u"abc\ndef"},
        {"30 characters and an end", chars(30) + u"}", 24, chars(24) + u"\n" + chars(6) + u"\n"},
        {"exactly 24 and an end: an empty line follows", chars(24) + u"}", 24, chars(24) + u"\n\n"},
        {"exactly 24 without an end", chars(24), 24, chars(24) + u"\n"},
        {"48 without an end", chars(48), 24, chars(24) + u"\n" + chars(24) + u"\n"},
        {"25 without an end", chars(25), 24, chars(24) + u"\n" + chars(1)},
        {"23 and an end", chars(23) + u"}", 24, chars(23) + u"\n"},
        {"existing LFs count as line ends", u"a\nb}c\n", 24, u"a\nb\nc\n"},
        {"empty lines stay", u"}}a", 24, u"\n\na"},
        {"DEL and ESC removed before wrapping",
         chars(12, u'a') + std::u16string{DEL} + chars(12, u'b') + std::u16string{ESC} + u"}", 24,
         chars(12, u'a') + chars(12, u'b') + u"\n\n"},
        {"CR counts as a column", u"ab\rcd}", 12, u"ab\rcd\n"},
        {"width 12", u"TOTALE EUR 0,01}", 12, u"TOTALE EUR 0\n,01\n"},
        {"width 64", chars(65), 64, chars(64) + u"\n" + chars(1)},
        {"only marks", std::u16string{DEL, ESC, DEL}, 24, u""},
        {"empty", u"", 24, u""},
        {"width 0 is taken as 1", u"ab", 0, u"a\nb\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatReceipt(c.receipt, c.cols), c.formatted);
    }
}

TEST(FormatReceipt, CutsTenThousandCharactersWithoutLineEnds)
{
    std::u16string expected;
    for (int i = 0; i < 416; ++i) expected += chars(24) + u"\n";
    expected += chars(16);
    EXPECT_EQ(formatReceipt(chars(10'000), 24), expected);
}

TEST(AppendReceipt, TextFormAddsALabelledReceipt)
{
    EXPECT_EQ(appendReceipt(u"Result: 00\n", u"A\nB\n", false), u"Result: 00\nReceipt: A\nB\n\n");
    EXPECT_EQ(appendReceipt(u"", u"A\n", false), u"Receipt: A\n\n");
}

TEST(AppendReceipt, JSONFormAddsAReceiptMemberAtTheEnd)
{
    struct Case {
        const char* name;
        std::u16string result;
        std::u16string appended;
    };
    const std::vector<Case> cases = {
        {"after the existing members", u"{\"termID\":\"12345678\",\"result\":\"00\"}",
         u"{\"termID\":\"12345678\",\"result\":\"00\",\"receipt\":\"A\\nB\\/C\\n\"}"},
        {"empty object", u"{}", u"{\"receipt\":\"A\\nB\\/C\\n\"}"},
        // No outcome was accepted: there is nothing to attach the receipt to.
        {"empty result", u"", u""},
        {"not an object", u"[\"a\"]", u""},
        {"unreadable", u"{\"a\":", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(appendReceipt(c.result, u"A\nB/C\n", true), c.appended);
    }
}

} // namespace
