#include "WireEncoding.h"

#include "FrameCodec.h"

namespace ecr17::detail {

std::string encodeWire(std::u16string_view Atext)
{
    std::string bytes;
    bytes.reserve(Atext.size());
    for (char16_t c : Atext)
        bytes += static_cast<char>(wireChar(c));
    return bytes;
}

std::u16string decodeWire(std::string_view Abytes)
{
    std::u16string text;
    text.reserve(Abytes.size());
    for (char b : Abytes) {
        const auto byte = static_cast<unsigned char>(b);
        // A NUL would cut every zero-terminated copy of a result short.
        if (byte == 0)
            text += u'?';
        else
            text += byte <= 0x7F ? static_cast<char16_t>(byte) : char16_t{0xFFFD};
    }
    return text;
}

} // namespace ecr17::detail
