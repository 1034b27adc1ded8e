#include "LogRecordFormat.h"

#include <ctime>

namespace {

void appendUtf8(std::string& AOut, char32_t Acp)
{
    if (Acp < 0x80) {
        AOut += char(Acp);
    } else if (Acp < 0x800) {
        AOut += char(0xC0 | (Acp >> 6));
        AOut += char(0x80 | (Acp & 0x3F));
    } else if (Acp < 0x10000) {
        AOut += char(0xE0 | (Acp >> 12));
        AOut += char(0x80 | ((Acp >> 6) & 0x3F));
        AOut += char(0x80 | (Acp & 0x3F));
    } else {
        AOut += char(0xF0 | (Acp >> 18));
        AOut += char(0x80 | ((Acp >> 12) & 0x3F));
        AOut += char(0x80 | ((Acp >> 6) & 0x3F));
        AOut += char(0x80 | (Acp & 0x3F));
    }
}

// Appends AText as UTF-8, escaping what JSON requires when AJson is set.
void appendText(std::string& AOut, std::u16string_view AText, bool AJson)
{
    static constexpr char hex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < AText.size(); ++i) {
        const char16_t c = AText[i];
        if (c < 0x80) {
            if (AJson && (c < 0x20 || c == u'"' || c == u'\\')) {
                if (c == u'"' || c == u'\\') {
                    AOut += '\\';
                    AOut += char(c);
                } else {
                    AOut += "\\u00";
                    AOut += hex[c >> 4];
                    AOut += hex[c & 0xF];
                }
            } else {
                AOut += char(c);
            }
            continue;
        }
        char32_t cp = c;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < AText.size() && AText[i + 1] >= 0xDC00 && AText[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(AText[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            cp = 0xFFFD;
        }
        appendUtf8(AOut, cp);
    }
}

void appendNumber(std::string& AOut, long long AValue, int AWidth = 0)
{
    char digits[24];
    int n = 0;
    const bool negative = AValue < 0;
    unsigned long long v = negative ? 0ULL - static_cast<unsigned long long>(AValue) : AValue;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n < AWidth)
        digits[n++] = '0';
    if (negative)
        AOut += '-';
    while (n)
        AOut += digits[--n];
}

// "2026-12-09T22:15:39.123456Z"; the date part is formatted once per second.
void appendTime(std::string& AOut, std::int64_t ATimeNs)
{
    thread_local std::int64_t cachedSecond = -1;
    thread_local std::string cachedPrefix;
    const std::int64_t second = ATimeNs / 1'000'000'000;
    if (second != cachedSecond) {
        const std::time_t t = std::time_t(second);
        std::tm tm{};
        ::gmtime_r(&t, &tm);
        char buf[32];
        std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.", &tm);
        cachedPrefix = buf;
        cachedSecond = second;
    }
    AOut += cachedPrefix;
    appendNumber(AOut, (ATimeNs % 1'000'000'000) / 1000, 6);
    AOut += 'Z';
}

} // namespace

std::string logTextToUtf8(std::u16string_view AText)
{
    std::string out;
    out.reserve(AText.size());
    appendText(out, AText, false);
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

void appendLogRecordJson(std::string& AOut, std::int64_t ATimeNs, int APid, int ATid, TLogRecordKind AKind,
                         std::u16string_view AText)
{
    AOut += "{\"time\":\"";
    appendTime(AOut, ATimeNs);
    AOut += "\",\"pid\":";
    appendNumber(AOut, APid);
    AOut += ",\"tid\":";
    appendNumber(AOut, ATid);
    AOut += ",\"kind\":\"";
    AOut += logKindName(AKind);
    AOut += "\",\"text\":\"";
    appendText(AOut, AText, true);
    AOut += "\"}\n";
}
