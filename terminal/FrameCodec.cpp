#include "FrameCodec.h"

namespace ecr17::detail {

namespace {

template <class Text>
std::uint8_t lrcOver(Text Atext) noexcept
{
    std::uint8_t lrc = 0x7F;
    for (const auto c : Atext)
        lrc ^= static_cast<std::uint8_t>(c & 0xFF);
    return lrc;
}

} // namespace

std::uint8_t calcLRC(std::u16string_view Atext) noexcept
{
    return lrcOver(Atext);
}

std::uint8_t calcLRC(std::string_view Abytes) noexcept
{
    return lrcOver(Abytes);
}

std::u16string extractBetween(std::u16string_view Atext, char16_t AstartChar, char16_t AendChar)
{
    const size_t p1 = Atext.find(AstartChar);
    if (p1 == std::u16string_view::npos)
        return {};
    // The end character is searched from the start character itself, so equal
    // start and end characters always give an empty result.
    const size_t p2 = Atext.find(AendChar, p1);
    if (p2 == std::u16string_view::npos || p2 <= p1)
        return {};
    return std::u16string(Atext.substr(p1 + 1, p2 - p1 - 1));
}

std::u16string frameCommand(std::u16string_view Amessage)
{
    std::u16string frame;
    frame.reserve(Amessage.size() + 3);
    frame += STX;
    for (char16_t c : Amessage)
        frame += wireChar(c);
    frame += ETX;
    frame += static_cast<char16_t>(calcLRC(frame));
    return frame;
}

std::u16string ackFrame()
{
    const std::u16string head{ACK, ETX};
    return head + static_cast<char16_t>(calcLRC(head));
}

} // namespace ecr17::detail
