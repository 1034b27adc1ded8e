// The record layout: every character of the text in every position, since
// plain ASCII is copied several units at a time.
#include "LogRecordFormat.h"

#include <gtest/gtest.h>

#include <string>

using namespace ecr17::detail;

namespace {

struct TSpecial {
    std::u16string unit;
    std::string json;
};

TEST(LogRecordFormat, EveryCharacterInEveryPositionOfTheText)
{
    const TSpecial specials[] = {
        {u"\"", "\\\""},          {u"\\", "\\\\"},      {std::u16string(1, u'\0'), "\\u0000"},
        {u"\x1F", "\\u001f"},     {u"\n", "\\u000a"},   {u" ", " "},
        {u"\x7F", "\x7F"},        {u"\u00E9", "\xC3\xA9"}, {u"\u20AC", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"}, {u"\xD800", "\xEF\xBF\xBD"},
    };
    TLogRecordFormatter format(42);
    for (const TSpecial& special : specials) {
        for (std::size_t at = 0; at <= 9; ++at) {
            const std::u16string text = std::u16string(at, u'a') + special.unit + std::u16string(9 - at, u'b');
            const std::string expected = std::string(at, 'a') + special.json + std::string(9 - at, 'b');
            std::string line;
            format.append(line, 1'765'000'000'123'456'789, 7, TLogRecordKind::Info, text);
            EXPECT_EQ(line.substr(line.find("\"text\":\"") + 8), expected + "\"}\n") << special.json << " at " << at;
        }
    }
}

TEST(LogRecordFormat, TimeAndIdsOfEachRecord)
{
    TLogRecordFormatter format(1234);
    std::string lines;
    format.append(lines, 1'765'000'000'000'001'000, 5678, TLogRecordKind::Enter, u"pay");
    format.append(lines, 1'765'000'001'999'999'999, 9, TLogRecordKind::Exit, u"pay");
    EXPECT_EQ(lines, "{\"time\":\"2025-12-06T05:46:40.000001Z\",\"pid\":1234,\"tid\":5678,\"kind\":\"enter\",\"text\":\"pay\"}\n"
                     "{\"time\":\"2025-12-06T05:46:41.999999Z\",\"pid\":1234,\"tid\":9,\"kind\":\"exit\",\"text\":\"pay\"}\n");
}

} // namespace
