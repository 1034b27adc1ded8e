#include "FuzzText.h"

namespace {

bool isContinuation(std::uint8_t Abyte) noexcept { return (Abyte & 0xC0) == 0x80; }

// Bytes a sequence starting with Alead takes; 1 for a byte that starts none.
std::size_t sequenceLength(std::uint8_t Alead) noexcept
{
    if ((Alead & 0xE0) == 0xC0) return 2;
    if ((Alead & 0xF0) == 0xE0) return 3;
    if ((Alead & 0xF8) == 0xF0) return 4;
    return 1;
}

bool completeSequence(const std::uint8_t* Adata, std::size_t Aleft, std::size_t Alength) noexcept
{
    if (Alength > Aleft) return false;
    for (std::size_t i = 1; i < Alength; ++i)
        if (!isContinuation(Adata[i])) return false;
    return true;
}

void appendSequence(std::u16string& Aout, const std::uint8_t* Adata, std::size_t Alength)
{
    static constexpr std::uint8_t leadMask[] = {0, 0, 0x1F, 0x0F, 0x07};
    std::uint32_t code = Adata[0] & leadMask[Alength];
    for (std::size_t i = 1; i < Alength; ++i) code = (code << 6) | (Adata[i] & 0x3F);
    if (code <= 0xFFFF) {
        Aout += static_cast<char16_t>(code);
        return;
    }
    code = (code - 0x10000) & 0xFFFFF;
    Aout += static_cast<char16_t>(0xD800 + (code >> 10));
    Aout += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

} // namespace

std::u16string lenientUtf16(const std::uint8_t* Adata, std::size_t Asize)
{
    std::u16string out;
    out.reserve(Asize);
    std::size_t i = 0;
    while (i < Asize) {
        const std::size_t length = sequenceLength(Adata[i]);
        if (length > 1 && completeSequence(Adata + i, Asize - i, length)) {
            appendSequence(out, Adata + i, length);
            i += length;
        } else {
            out += static_cast<char16_t>(Adata[i]);
            ++i;
        }
    }
    return out;
}
