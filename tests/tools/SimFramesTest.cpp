#include "SimFrames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace std::string_literals;

TEST(SimFrames, BuildsTheLinkFramesByteForByte)
{
    EXPECT_EQ(simFrame("000000000s"), "\x02" "000000000s\x03\x3D"s);
    EXPECT_EQ(simFrame(""), "\x02\x03\x7E"s);
    EXPECT_EQ(simAckFrame(), "\x06\x03\x7A"s);
    EXPECT_EQ(simProgress("Wait"), "\x01Wait\x04"s);
}

TEST(SimFrames, TakesTheFirstCompleteFrameFromReceivedBytes)
{
    struct Case {
        const char* name;
        std::string buffer;
        std::optional<std::string> frame;
        std::string left;
    };
    const Case cases[] = {
        {"command frame", "\x02" "AB\x03Z"s, "\x02" "AB\x03Z"s, ""},
        {"ack frame, rest kept", "\x06\x03zX"s, "\x06\x03z"s, "X"},
        {"garbage before the frame is dropped", "\xFF\0junk\x02" "A\x03Q"s, "\x02" "A\x03Q"s, ""},
        {"check character still missing", "\x02" "A\x03"s, std::nullopt, "\x02" "A\x03"s},
        {"no ETX yet", "xx\x02" "A"s, std::nullopt, "\x02" "A"s},
        {"half an ack", "\x06"s, std::nullopt, "\x06"s},
        {"stray ACK is noise", "\x06Q\x02" "A\x03Q"s, "\x02" "A\x03Q"s, ""},
        {"garbage alone is dropped", "\xFF\0junk"s, std::nullopt, ""},
        {"two frames: the first", "\x06\x03z\x06\x03z"s, "\x06\x03z"s, "\x06\x03z"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string buffer = c.buffer;
        EXPECT_EQ(simTakeFrame(buffer), c.frame);
        EXPECT_EQ(buffer, c.left);
    }
}
