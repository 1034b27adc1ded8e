#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "uJSON.h"

namespace {

using Members = std::vector<std::pair<std::u16string, std::u16string>>;

// Random text drawn mostly from the code units that need care: control
// codes, quotation marks, backslashes, solidi, non-ASCII, surrogates.
std::u16string randomText(std::mt19937& rng, bool lonelySurrogates)
{
    static const char16_t special[] = {u'"',    u'\\',   u'/',    u'\'',   u'\b',   u'\f',   u'\n',
                                       u'\r',   u'\t',   0x0000,  0x0001,  0x001F,  0x007F,  0x00E9,
                                       0x20AC,  0x2028,  0xFEFF,  0xFFFF,  u'u',    u'{',    u' '};
    std::u16string s;
    const int length = static_cast<int>(rng() % 24);
    for (int i = 0; i < length; ++i) {
        switch (rng() % 6) {
        case 0:
            s.push_back(static_cast<char16_t>(u' ' + rng() % 95));
            break;
        case 1:
            s.push_back(static_cast<char16_t>(rng() % 0x20));
            break;
        case 2:  // a surrogate pair: one character beyond the BMP
            s.push_back(static_cast<char16_t>(0xD800 + rng() % 0x400));
            s.push_back(static_cast<char16_t>(0xDC00 + rng() % 0x400));
            break;
        case 3:
            if (lonelySurrogates) {
                s.push_back(static_cast<char16_t>(0xD800 + rng() % 0x800));
                break;
            }
            [[fallthrough]];
        case 4:
            s.push_back(static_cast<char16_t>(0x80 + rng() % (0xD800 - 0x80)));
            break;
        default:
            s.push_back(special[rng() % (sizeof(special) / sizeof(special[0]))]);
        }
    }
    return s;
}

Members randomMembers(std::mt19937& rng, bool lonelySurrogates)
{
    Members members;
    const int count = static_cast<int>(rng() % 13);
    for (int i = 0; i < count; ++i) {
        // Some names repeat, to check that repeated members survive.
        std::u16string name = rng() % 4 == 0 ? std::u16string(u"receipt") : randomText(rng, lonelySurrogates);
        members.emplace_back(std::move(name), randomText(rng, lonelySurrogates));
    }
    return members;
}

std::u16string write(const Members& members)
{
    TJSONobject obj;
    for (const auto& [name, value] : members)
        obj.Add(name, value);
    return TJSON::GenerateText(obj);
}

[[maybe_unused]] std::string toUtf8(const std::u16string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

[[maybe_unused]] std::string hexUtf16(const std::u16string& s)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char16_t c : s)  // little-endian code units, as Python's utf-16-le
        for (unsigned byte : {c & 0xFFu, static_cast<unsigned>(c) >> 8u}) {
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        }
    return out;
}

}  // namespace

// Written and read back, an object of string members has the same members
// in the same order, and its name index finds the first of each name.
TEST(JSONRoundTrip, StringMembersSurviveWriteAndRead)
{
    std::mt19937 rng(2026);
    for (int round = 0; round < 2000; ++round) {
        const Members members = randomMembers(rng, true);
        const std::u16string text = write(members);
        auto tree = TJSON::ParseText(text);
        auto* obj = dynamic_cast<TJSONobject*>(tree.get());
        ASSERT_NE(obj, nullptr) << round;
        ASSERT_EQ(obj->Count(), static_cast<int>(members.size())) << round;
        for (int i = 0; i < obj->Count(); ++i) {
            const auto* member = static_cast<TJSONobjectmethod*>(obj->GetChild(i));
            EXPECT_EQ(member->Name(), members[i].first) << round;
            EXPECT_EQ(static_cast<TJSONstring*>(member->ObjValue())->AsString(), members[i].second) << round;
            int first = 0;
            while (members[first].first != members[i].first)
                ++first;
            EXPECT_EQ(obj->IndexOfName(members[i].first), first) << round;
        }
        EXPECT_EQ(TJSON::GenerateText(tree.get()), text);
    }
}

// Python's json module, a strict reader, accepts what the writer produces
// and decodes the same names and strings. Each text goes as a UTF-8 line;
// each answer comes back as the members' UTF-16 code units in hex.
TEST(JSONRoundTrip, StrictReaderAgrees)
{
#ifdef _WIN32
    GTEST_SKIP() << "the check runs python3 through a POSIX shell, which Windows has not";
#else
    if (std::system("python3 -c 'import json' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 not available";

    std::mt19937 rng(17);
    std::vector<Members> docs;
    char path[] = "/tmp/json_strict_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream file(path, std::ios::binary);
        for (int i = 0; i < 500; ++i) {
            docs.push_back(randomMembers(rng, false));
            file << toUtf8(write(docs.back())) << '\n';
        }
    }
    const std::string script =
        "import json,sys\n"
        "for line in open(sys.argv[1],'rb').read().split(b'\\n')[:-1]:\n"
        "    pairs = json.loads(line.decode('utf-8'), object_pairs_hook=lambda p: p)\n"
        "    print(' '.join(k.encode('utf-16-le').hex() + ':' + v.encode('utf-16-le').hex() for k, v in pairs))\n";
    const std::string command = "python3 -c \"$JSON_CHECK\" " + std::string(path) + " 2>&1";
    setenv("JSON_CHECK", script.c_str(), 1);
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[4096];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, n);
    const int status = pclose(pipe);
    std::remove(path);
    ASSERT_EQ(status, 0) << output;

    std::istringstream lines(output);
    std::string line;
    for (const Members& members : docs) {
        ASSERT_TRUE(std::getline(lines, line));
        std::string expected;
        for (const auto& [name, value] : members)
            expected += (expected.empty() ? "" : " ") + hexUtf16(name) + ":" + hexUtf16(value);
        EXPECT_EQ(line, expected);
    }
#endif
}
