#include "LogRecordFormat.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace ecr17::detail {

namespace {

// At most this many bytes for one UTF-16 unit: "\u001f".
constexpr std::size_t maxBytesPerUnit = 6;

char* putUtf8(char* AOut, char32_t Acp) noexcept
{
    if (Acp < 0x80) {
        *AOut++ = char(Acp);
    } else if (Acp < 0x800) {
        *AOut++ = char(0xC0 | (Acp >> 6));
        *AOut++ = char(0x80 | (Acp & 0x3F));
    } else if (Acp < 0x10000) {
        *AOut++ = char(0xE0 | (Acp >> 12));
        *AOut++ = char(0x80 | ((Acp >> 6) & 0x3F));
        *AOut++ = char(0x80 | (Acp & 0x3F));
    } else {
        *AOut++ = char(0xF0 | (Acp >> 18));
        *AOut++ = char(0x80 | ((Acp >> 12) & 0x3F));
        *AOut++ = char(0x80 | ((Acp >> 6) & 0x3F));
        *AOut++ = char(0x80 | (Acp & 0x3F));
    }
    return AOut;
}

// A unit that JSON wants escaped: control characters, quote, backslash.
bool jsonEscaped(char16_t Ac) noexcept
{
    return Ac < 0x20 || Ac == u'"' || Ac == u'\\';
}

char* putJsonEscape(char* AOut, char16_t Ac) noexcept
{
    static constexpr char hex[] = "0123456789abcdef";
    *AOut++ = '\\';
    if (Ac == u'"' || Ac == u'\\') {
        *AOut++ = char(Ac);
        return AOut;
    }
    std::memcpy(AOut, "u00", 3);
    AOut[3] = hex[Ac >> 4];
    AOut[4] = hex[Ac & 0xF];
    return AOut + 5;
}

// Copies the leading units of AText that are ASCII and need no escape, four
// at a time (each test below looks at four units at once); returns how many.
std::size_t putPlainAscii(char* AOut, const char16_t* AText, std::size_t ASize) noexcept
{
    if constexpr (std::endian::native != std::endian::little)
        return 0;
    constexpr std::uint64_t ones = 0x0001000100010001;
    constexpr std::uint64_t signs = 0x8000800080008000;
    // Some unit is zero; wrong only above a unit that really is.
    auto anyZero = [](std::uint64_t Av) { return ((Av - ones) & ~Av & signs) != 0; };
    std::size_t i = 0;
    for (; i + 4 <= ASize; i += 4) {
        std::uint64_t v;
        std::memcpy(&v, AText + i, sizeof v);
        const bool nonAscii = (v & 0xFF80FF80FF80FF80) != 0;
        const bool control = ((v - 0x20 * ones) & ~v & signs) != 0; // given all ASCII
        if (nonAscii || control || anyZero(v ^ (u'"' * ones)) || anyZero(v ^ (u'\\' * ones)))
            break;
        const auto bytes = std::uint32_t((v & 0xFF) | ((v >> 8) & 0xFF00) | ((v >> 16) & 0xFF0000) |
                                         ((v >> 24) & 0xFF000000));
        std::memcpy(AOut + i, &bytes, sizeof bytes);
    }
    return i;
}

// Writes AText as UTF-8 at AOut, escaping what JSON requires when AJson is
// set; room for maxBytesPerUnit bytes a unit is the caller's.
char* putText(char* AOut, std::u16string_view AText, bool AJson) noexcept
{
    const char16_t* p = AText.data();
    const char16_t* const end = p + AText.size();
    while (p < end) {
        const std::size_t plain = putPlainAscii(AOut, p, std::size_t(end - p));
        AOut += plain;
        p += plain;
        if (p == end)
            break;
        const char16_t c = *p++;
        if (c < 0x80) {
            if (AJson && jsonEscaped(c))
                AOut = putJsonEscape(AOut, c);
            else
                *AOut++ = char(c);
            continue;
        }
        char32_t cp = c;
        if (c >= 0xD800 && c <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF)
            cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            cp = 0xFFFD;
        AOut = putUtf8(AOut, cp);
    }
    return AOut;
}

char* putDecimal(char* AOut, int AValue) noexcept
{
    char digits[12];
    int n = 0;
    const bool negative = AValue < 0;
    unsigned v = negative ? 0U - unsigned(AValue) : unsigned(AValue);
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (negative)
        *AOut++ = '-';
    while (n)
        *AOut++ = digits[--n];
    return AOut;
}

// Six digits, two at a time.
char* putMicroseconds(char* AOut, unsigned AValue) noexcept
{
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                    "8081828384858687888990919293949596979899";
    std::memcpy(AOut, pairs + 2 * (AValue / 10000), 2);
    std::memcpy(AOut + 2, pairs + 2 * (AValue / 100 % 100), 2);
    std::memcpy(AOut + 4, pairs + 2 * (AValue % 100), 2);
    return AOut + 6;
}

char* putString(char* AOut, std::string_view AText) noexcept
{
    std::memcpy(AOut, AText.data(), AText.size());
    return AOut + AText.size();
}

} // namespace

std::string logTextToUtf8(std::u16string_view AText)
{
    std::string out(AText.size() * maxBytesPerUnit, '\0');
    out.resize(std::size_t(putText(out.data(), AText, false) - out.data()));
    return out;
}

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

std::u16string logUtf8ToText(std::string_view Autf8)
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

std::string_view logKindName(TLogRecordKind AKind) noexcept
{
    switch (AKind) {
    case TLogRecordKind::Info: return "info";
    case TLogRecordKind::Warning: return "warning";
    case TLogRecordKind::Error: return "error";
    case TLogRecordKind::Separator: return "separator";
    case TLogRecordKind::Enter: return "enter";
    case TLogRecordKind::Exit: return "exit";
    }
    return "info";
}

void TLogRecordFormatter::append(std::string& AOut, std::int64_t ATimeNs, int ATid, TLogRecordKind AKind,
                                 std::u16string_view AText)
{
    constexpr std::size_t fixedBytes = 128; // everything but the text, with room to spare
    const std::size_t start = AOut.size();
    AOut.resize(start + fixedBytes + AText.size() * maxBytesPerUnit);
    char* p = AOut.data() + start;

    const std::int64_t second = ATimeNs / 1'000'000'000;
    if (second != FSecond) {
        const std::time_t t = std::time_t(second);
        std::tm tm{};
        ::gmtime_r(&t, &tm);
        FDateSize = std::strftime(FDate, sizeof FDate, "%Y-%m-%dT%H:%M:%S.", &tm);
        FSecond = second;
    }
    p = putString(p, "{\"time\":\"");
    p = putString(p, std::string_view(FDate, FDateSize));
    p = putMicroseconds(p, unsigned(ATimeNs % 1'000'000'000 / 1000));
    p = ids(p, ATid);
    p = putString(p, logKindName(AKind));
    p = putString(p, "\",\"text\":\"");
    p = putText(p, AText, true);
    p = putString(p, "\"}\n");
    AOut.resize(std::size_t(p - AOut.data()));
}

// Z","pid":1234,"tid":5678,"kind":"
char* TLogRecordFormatter::ids(char* AOut, int ATid) noexcept
{
    if (ATid != FTid || FIdsSize == 0) {
        char* q = putString(FIds, "Z\",\"pid\":");
        q = putDecimal(q, FPid);
        q = putString(q, ",\"tid\":");
        q = putDecimal(q, ATid);
        q = putString(q, ",\"kind\":\"");
        FIdsSize = std::size_t(q - FIds);
        FTid = ATid;
    }
    return putString(AOut, std::string_view(FIds, FIdsSize));
}

} // namespace ecr17::detail
