#include "FrameCodec.h"
#include "WireEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ecr17::detail;

namespace {

std::vector<int> codes(std::u16string_view Atext)
{
    return {Atext.begin(), Atext.end()};
}

TEST(FrameCodec, FramesAreByteExact)
{
    EXPECT_EQ(codes(frameCommand(u"000000000s")),
              (std::vector<int>{0x02, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x73, 0x03, 0x3D}));
    EXPECT_EQ(codes(frameCommand(u"")), (std::vector<int>{0x02, 0x03, 0x7E}));
    EXPECT_EQ(codes(ackFrame()), (std::vector<int>{0x06, 0x03, 0x7A}));
    EXPECT_EQ(calcLRC(u""), 0x7F);
}

TEST(FrameCodec, CharacterAboveAsciiIsFramedAsTheQuestionMarkItTravelsAs)
{
    const std::u16string frame = frameCommand(u"a\u00E8");
    EXPECT_EQ(frame.substr(0, 4), std::u16string({STX, u'a', u'?', ETX}));
    // The LRC covers the bytes on the wire, so the terminal can verify it.
    EXPECT_EQ(frame[4], calcLRC(std::u16string({STX, u'a', u'?', ETX})));
    EXPECT_EQ(encodeWire(frame).size(), 5u);
}

TEST(FrameCodec, ExtractBetween)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"payload", {u'a', STX, u'B', u'C', ETX, u'd'}, u"BC"},
        {"no end", {STX, u'x', u'y'}, u""},
        {"end before start only", {ETX, u'x', STX, u'y'}, u""},
        {"empty payload", {STX, ETX, u'z'}, u""},
        {"second start belongs to payload", {STX, u'A', STX, u'B', ETX}, {u'A', STX, u'B'}},
        {"first of two frames", {STX, u'1', ETX, u'?', STX, u'2', ETX}, u"1"},
        {"nothing", u"", u""},
        {"progress beside a frame", {SOH, u'1', u'2', EOT, STX, u'x', ETX}, u"x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(extractBetween(c.text, STX, ETX), c.expected);
    }
    EXPECT_EQ(extractBetween(std::u16string{SOH, u'1', u'2', EOT, STX, u'x', ETX}, SOH, EOT), u"12");
    EXPECT_EQ(extractBetween(u"|ab|", u'|', u'|'), u"");
}

TEST(FrameCodec, ExtractBetweenDoesNotWrapBeyond65535Characters)
{
    std::u16string text(70000, u'x');
    text[0] = STX;
    text[66000] = ETX;
    EXPECT_EQ(extractBetween(text, STX, ETX).size(), 65999u);
}

TEST(WireEncoding, OneByteACharacterBothWays)
{
    EXPECT_EQ(encodeWire(std::u16string{u'A', 0x00, 0x7F, 0xE8, 0x20AC}), std::string("A\0\x7F??", 5));
    EXPECT_EQ(decodeWire(std::string("A\0\x7F\xE8\xFF", 5)), (std::u16string{u'A', u'?', 0x7F, 0xFFFD, 0xFFFD}));
}

} // namespace
