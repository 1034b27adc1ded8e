#include "TextConvert.h"

#include "LogRecordFormat.h"

namespace ecr17::detail {

namespace {

constexpr char32_t replacement = 0xFFFD;

void appendUtf16(std::u16string& Aout, char32_t Acp)
{
    if (Acp < 0x10000) {
        Aout += static_cast<char16_t>(Acp);
        return;
    }
    Acp -= 0x10000;
    Aout += static_cast<char16_t>(0xD800 + (Acp >> 10));
    Aout += static_cast<char16_t>(0xDC00 + (Acp & 0x3FF));
}

// Length of the sequence a lead byte opens and the bits it carries; 0 when
// the byte cannot open one.
int sequenceLength(unsigned char Alead, char32_t& Abits)
{
    if (Alead < 0x80) { Abits = Alead; return 1; }
    if ((Alead & 0xE0) == 0xC0) { Abits = Alead & 0x1F; return 2; }
    if ((Alead & 0xF0) == 0xE0) { Abits = Alead & 0x0F; return 3; }
    if ((Alead & 0xF8) == 0xF0) { Abits = Alead & 0x07; return 4; }
    return 0;
}

bool wellFormed(char32_t Acp, int Alength)
{
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    return Acp >= minimum[Alength] && Acp <= 0x10FFFF && (Acp < 0xD800 || Acp > 0xDFFF);
}

} // namespace

std::u16string utf8ToText(std::string_view Autf8)
{
    std::u16string out;
    out.reserve(Autf8.size());
    size_t i = 0;
    while (i < Autf8.size()) {
        char32_t cp = 0;
        const int length = sequenceLength(static_cast<unsigned char>(Autf8[i]), cp);
        int taken = 1;
        while (length > 0 && taken < length && i + taken < Autf8.size()
               && (static_cast<unsigned char>(Autf8[i + taken]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<unsigned char>(Autf8[i + taken]) & 0x3F);
            ++taken;
        }
        appendUtf16(out, length > 0 && taken == length && wellFormed(cp, length) ? cp : replacement);
        i += taken;
    }
    return out;
}

std::string textToUtf8(std::u16string_view Atext)
{
    // The log file needs the same conversion; one implementation serves both.
    return logTextToUtf8(Atext);
}

std::u16string intToText(long long Avalue)
{
    const std::string digits = std::to_string(Avalue);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string boolText(bool Avalue)
{
    return Avalue ? u"True" : u"False";
}

} // namespace ecr17::detail
