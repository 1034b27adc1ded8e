#include "StrictLogReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

// A strict reader of one record line: an object of JSON strings and
// integers, nothing else, no space, no repeated member. Fails with a reason.
class TLineReader {
public:
    explicit TLineReader(const std::string& ALine) : FLine(ALine) {}

    std::map<std::string, std::string> object()
    {
        std::map<std::string, std::string> members;
        expect('{');
        do {
            const std::string name = string();
            expect(':');
            const std::string value = peek() == '"' ? string() : integer();
            if (!members.emplace(name, value).second)
                fail("repeated member " + name);
        } while (take(','));
        expect('}');
        if (FAt != FLine.size())
            fail("text after the object");
        return members;
    }

private:
    [[noreturn]] void fail(const std::string& AWhy) const
    {
        throw std::runtime_error(AWhy + " at " + std::to_string(FAt));
    }
    char peek() const { return FAt < FLine.size() ? FLine[FAt] : '\0'; }
    bool take(char AChar)
    {
        if (peek() != AChar)
            return false;
        ++FAt;
        return true;
    }
    void expect(char AChar)
    {
        if (!take(AChar))
            fail(std::string("expected ") + AChar);
    }

    std::string integer()
    {
        const std::size_t start = FAt;
        take('-');
        if (peek() == '0')
            ++FAt;
        else if (peek() >= '1' && peek() <= '9')
            while (peek() >= '0' && peek() <= '9')
                ++FAt;
        else
            fail("not a number");
        return FLine.substr(start, FAt - start);
    }

    unsigned hex4()
    {
        if (FAt + 4 > FLine.size())
            fail("short \\u escape");
        const std::string digits = FLine.substr(FAt, 4);
        if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            fail("bad \\u escape");
        FAt += 4;
        return unsigned(std::stoul(digits, nullptr, 16));
    }

    static void appendUtf8(std::string& AOut, unsigned ACode)
    {
        if (ACode < 0x80) {
            AOut += char(ACode);
        } else if (ACode < 0x800) {
            AOut += char(0xC0 | (ACode >> 6));
            AOut += char(0x80 | (ACode & 0x3F));
        } else if (ACode < 0x10000) {
            AOut += char(0xE0 | (ACode >> 12));
            AOut += char(0x80 | ((ACode >> 6) & 0x3F));
            AOut += char(0x80 | (ACode & 0x3F));
        } else {
            AOut += char(0xF0 | (ACode >> 18));
            AOut += char(0x80 | ((ACode >> 12) & 0x3F));
            AOut += char(0x80 | ((ACode >> 6) & 0x3F));
            AOut += char(0x80 | (ACode & 0x3F));
        }
    }

    // A string's value in UTF-8; a lone surrogate escape is kept as the
    // replacement character, as a lenient user tool would show it.
    std::string string()
    {
        expect('"');
        std::string value;
        for (;;) {
            const char c = peek();
            if (c == '\0' && FAt >= FLine.size())
                fail("unterminated string");
            ++FAt;
            if (c == '"')
                return value;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("raw control character");
            if (c != '\\') {
                value += c;
                continue;
            }
            const char e = peek();
            ++FAt;
            static const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (const auto k = simple.find(e); k != std::string::npos && e != '\0') {
                value += meaning[k];
            } else if (e == 'u') {
                unsigned code = hex4();
                if (code >= 0xD800 && code < 0xDC00 && FLine.compare(FAt, 2, "\\u") == 0) {
                    FAt += 2;
                    const unsigned low = hex4();
                    code = low >= 0xDC00 && low < 0xE000 ? 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00) : 0xFFFD;
                } else if (code >= 0xD800 && code < 0xE000) {
                    code = 0xFFFD;
                }
                appendUtf8(value, code);
            } else {
                fail("bad escape");
            }
        }
    }

    const std::string& FLine;
    std::size_t FAt = 0;
};

} // namespace

std::vector<TFileRecord> strictRecords(const std::filesystem::path& APath)
{
    std::ifstream in(APath, std::ios::binary);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    std::vector<TFileRecord> records;
    std::size_t start = 0;
    for (int n = 1; start < text.size(); ++n) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        try {
            if (end == std::string::npos)
                throw std::runtime_error("no line feed");
            auto members = TLineReader(line).object();
            if (members.size() != 5 || !members.count("time") || !members.count("pid") || !members.count("tid")
                || !members.count("kind") || !members.count("text"))
                throw std::runtime_error("members");
            std::string shown = members["text"];
            for (char& c : shown)
                if (c == '\t' || c == '\n')
                    c = ' ';
            records.push_back({std::stoi(members["pid"]), std::stoi(members["tid"]), members["kind"], shown});
        } catch (const std::exception& e) {
            ADD_FAILURE() << APath << ": line " << n << ": " << e.what() << ": " << line;
            return {};
        }
        start = end + 1;
    }
    return records;
}
