#include "WrittenFrames.h"

#include "FrameCodec.h"

#include <cstdint>
#include <string>

using namespace ecr17::detail;

namespace {

// Length of the frame at the start of Abytes when it is a well-formed command
// or acknowledgement frame; 0 otherwise.
std::size_t frameLength(std::string_view Abytes)
{
    const std::u16string ack = ackFrame();
    if (Abytes.size() >= 3 && std::u16string(Abytes.begin(), Abytes.begin() + 3) == ack) return 3;
    if (Abytes.empty() || Abytes[0] != STX) return 0;
    const std::size_t etx = Abytes.find(static_cast<char>(ETX));
    if (etx == std::string_view::npos || etx + 1 >= Abytes.size()) return 0;
    const std::u16string framed(Abytes.begin(), Abytes.begin() + static_cast<std::ptrdiff_t>(etx) + 1);
    return static_cast<std::uint8_t>(Abytes[etx + 1]) == calcLRC(framed) ? etx + 2 : 0;
}

} // namespace

bool onlyFrames(std::string_view Abytes)
{
    while (!Abytes.empty()) {
        const std::size_t length = frameLength(Abytes);
        if (length == 0) return false;
        Abytes.remove_prefix(length);
    }
    return true;
}
