#include "JSONNumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace jsonnumbertext {

namespace {

// 10^0 .. 10^27 are exact in long double (5^27 < 2^64).
constexpr int kExactPow10 = 27;
constexpr long double kPow10[kExactPow10 + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

constexpr int kMaxExactDigits = 19;  // any 19-digit integer fits in uint64

bool isDigit(char16_t c) noexcept
{
    return c >= u'0' && c <= u'9';
}

}  // namespace

std::size_t FormatNumber(long double v, char* out) noexcept
{
    // Integers below 1e15 print all their digits: skip the float formatter.
    if (v == std::trunc(v) && std::fabs(v) < 1e15L && !(v == 0 && std::signbit(v))) {
        auto r = std::to_chars(out, out + kMaxNumberText, static_cast<std::int64_t>(v));
        return static_cast<std::size_t>(r.ptr - out);
    }
    auto r = std::to_chars(out, out + kMaxNumberText, v, std::chars_format::general, 15);
    std::size_t n = static_cast<std::size_t>(r.ptr - out);
    // Drop the exponent's leading zeros: "1e-07" becomes "1e-7".
    char* e = static_cast<char*>(std::memchr(out, 'e', n));
    if (e != nullptr) {
        char* digits = e + 2;  // to_chars always writes the exponent's sign
        char* first = digits;
        while (first + 1 < out + n && *first == '0')
            ++first;
        if (first != digits) {
            std::memmove(digits, first, static_cast<std::size_t>(out + n - first));
            n -= static_cast<std::size_t>(first - digits);
        }
    }
    return n;
}

ScanResult ScanNumber(const char16_t*& p, const char16_t* end, long double& value)
{
    const char16_t* s = p;
    bool negative = false;
    if (s < end && (*s == u'+' || *s == u'-')) {
        negative = *s == u'-';
        ++s;
    }
    const char16_t* intBegin = s;
    while (s < end && isDigit(*s))
        ++s;
    const char16_t* intEnd = s;
    if (intBegin == intEnd)
        return ScanResult::NoMatch;
    const char16_t* fracBegin = s;
    const char16_t* fracEnd = s;
    if (s < end && *s == u'.') {
        fracBegin = ++s;
        while (s < end && isDigit(*s))
            ++s;
        fracEnd = s;
        if (fracBegin == fracEnd)
            return ScanResult::NoMatch;
    }
    // The exponent, saturated far beyond any representable magnitude.
    std::int64_t exponent = 0;
    if (s < end && (*s == u'e' || *s == u'E')) {
        ++s;
        bool expNegative = false;
        if (s < end && (*s == u'+' || *s == u'-')) {
            expNegative = *s == u'-';
            ++s;
        }
        const char16_t* expBegin = s;
        while (s < end && isDigit(*s)) {
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*s - u'0');
            ++s;
        }
        if (expBegin == s)
            return ScanResult::NoMatch;
        if (expNegative)
            exponent = -exponent;
    }
    const char16_t* numberEnd = s;

    // Significant digits: the mantissa without leading zeros, and the power
    // of ten that scales it.
    std::uint64_t mantissa = 0;
    int significant = 0;
    std::int64_t scale = exponent;
    std::int64_t leadingPosition = 0;  // decimal position of the first non-zero digit
    bool seenNonZero = false;
    auto take = [&](const char16_t* b, const char16_t* e, bool fraction) {
        for (const char16_t* d = b; d < e; ++d) {
            if (!seenNonZero && *d == u'0') {
                if (fraction) {
                    --leadingPosition;
                    --scale;
                }
                continue;
            }
            if (!seenNonZero && !fraction)
                leadingPosition = e - d;
            seenNonZero = true;
            ++significant;
            if (significant <= kMaxExactDigits) {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*d - u'0');
                if (fraction)
                    --scale;
            } else if (!fraction) {
                ++scale;
            }
        }
    };
    take(intBegin, intEnd, false);
    take(fracBegin, fracEnd, true);

    long double result;
    if (!seenNonZero) {
        result = 0;
    } else if (significant <= kMaxExactDigits && scale >= -kExactPow10 && scale <= kExactPow10) {
        // Both operands are exact, so the one rounding step is correct.
        const long double m = static_cast<long double>(mantissa);
        result = scale >= 0 ? m * kPow10[scale] : m / kPow10[-scale];
    } else {
        std::string text;
        text.reserve(static_cast<std::size_t>(numberEnd - intBegin));
        for (const char16_t* c = intBegin; c < numberEnd; ++c)
            text.push_back(static_cast<char>(*c));
        auto r = std::from_chars(text.data(), text.data() + text.size(), result);
        if (r.ec == std::errc::result_out_of_range) {
            // Magnitude of the value as a power of ten decides: too large
            // fails, too small is zero.
            const std::int64_t magnitude = exponent + leadingPosition;
            if (magnitude > 0)
                return ScanResult::OutOfRange;
            result = 0;
        } else if (r.ec != std::errc()) {
            return ScanResult::NoMatch;
        }
    }
    value = negative ? -result : result;
    p = numberEnd;
    return ScanResult::Ok;
}

}  // namespace jsonnumbertext
