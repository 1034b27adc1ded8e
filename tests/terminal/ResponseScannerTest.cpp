#include "FrameCodec.h"
#include "ResponseScanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace ecr17::detail;

namespace {

// What the scanner must find, computed the slow way on the whole buffer.
bool referenceComplete(const std::u16string& Abuffer, bool AackMode)
{
    return AackMode ? Abuffer.find(ackFrame()) != std::u16string::npos
                    : !extractBetween(Abuffer, STX, ETX).empty();
}

// Feeds Apieces one by one; returns the index of the piece that completed, or -1.
int completingPiece(const std::vector<std::u16string>& Apieces, bool AackMode)
{
    TResponseScanner scanner;
    std::u16string buffer;
    for (size_t i = 0; i < Apieces.size(); ++i) {
        buffer += Apieces[i];
        if (scanner.complete(buffer, AackMode))
            return static_cast<int>(i);
    }
    return -1;
}

TEST(ResponseScanner, FrameSplitAnywhereCompletesWithItsLastPiece)
{
    const std::u16string frame = u"\x02" u"00000001" u"0000000000000000000000" u"\x03" u"X";
    const size_t etx = frame.find(ETX);
    for (size_t cut = 1; cut < frame.size(); ++cut) {
        SCOPED_TRACE(cut);
        const int expected = cut <= etx ? 1 : 0;
        EXPECT_EQ(completingPiece({frame.substr(0, cut), frame.substr(cut)}, false), expected);
    }
}

TEST(ResponseScanner, AckFrameSplitAnywhereIsFound)
{
    const std::u16string text = u"garbage" + ackFrame() + u"tail";
    for (size_t a = 1; a < text.size(); ++a)
        for (size_t b = a + 1; b < text.size(); ++b) {
            SCOPED_TRACE(std::to_string(a) + "," + std::to_string(b));
            const int expected = b >= 10 ? (a >= 10 ? 0 : 1) : 2;
            EXPECT_EQ(completingPiece({text.substr(0, a), text.substr(a, b - a), text.substr(b)}, true), expected);
        }
}

TEST(ResponseScanner, EmptyPayloadBeforeAResponseNeverCompletes)
{
    EXPECT_EQ(completingPiece({{STX, ETX, u'~'}, {STX, u'x', ETX}}, false), -1);
    EXPECT_EQ(completingPiece({{ETX, u'a'}, {STX}, {u'b'}, {ETX}}, false), 3);
}

TEST(ResponseScanner, AgreesWithTheWholeBufferTestOnRandomPieces)
{
    std::mt19937 random(17);
    const char16_t alphabet[] = {STX, ETX, ACK, SOH, EOT, u'z', u'0', u'S'};
    for (int round = 0; round < 2000; ++round) {
        const bool ackMode = round % 2 == 0;
        TResponseScanner scanner;
        std::u16string buffer;
        for (int piece = 0; piece < 6; ++piece) {
            const int length = static_cast<int>(random() % 4);
            for (int i = 0; i < length; ++i)
                buffer += alphabet[random() % std::size(alphabet)];
            ASSERT_EQ(scanner.complete(buffer, ackMode), referenceComplete(buffer, ackMode)) << round;
        }
    }
}

} // namespace
