#include "JSONNumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace ecr17::detail {

namespace {

// 10^0 .. 10^27 are exact in long double (5^27 < 2^64).
constexpr int kExactPow10 = 27;
constexpr long double kPow10[kExactPow10 + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

constexpr int kMaxExactDigits = 19;  // any 19-digit integer fits in uint64

bool isDigit(char16_t Ac) noexcept
{
    return Ac >= u'0' && Ac <= u'9';
}

// A number as decimal digits d1 d2 ... dn times 10^(exponent - n + 1).
struct TDecimal {
    bool negative = false;
    char digits[48];
    int n = 0;
    int exponent = 0;
};

// Reads to_chars' scientific text "-d.ddde+XX".
void splitScientific(const char* Atext, const char* Aend, TDecimal& Ax) noexcept
{
    const char* p = Atext;
    Ax.negative = *p == '-';
    if (Ax.negative)
        ++p;
    Ax.n = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            Ax.digits[Ax.n++] = *p;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), Aend, Ax.exponent);
}

template <class TFloat>
void scientific(TFloat Av, TDecimal& Ax, bool AfifteenDigits) noexcept
{
    char text[kMaxNumberText + 16];
    const auto r = AfifteenDigits ? std::to_chars(text, text + sizeof text, Av, std::chars_format::scientific, 14)
                                  : std::to_chars(text, text + sizeof text, Av, std::chars_format::scientific);
    splitScientific(text, r.ptr, Ax);
}

// Rounds the shortest round-trip digits of a value to 15 digits when that
// surely gives the value's own 15-digit rounding. The shortest digits lie
// within half an ulp of the value, which is below AmaxError (in millionths
// of a unit of the 15th digit); only when the dropped part is that close to
// one half could the two roundings differ.
bool roundShortest(TDecimal& Ax, long AmaxError) noexcept
{
    long dropped = 0;  // digits 16 to 21, in millionths of the 15th digit's unit
    for (int i = 15; i < 21; ++i)
        dropped = dropped * 10 + (i < Ax.n ? Ax.digits[i] - '0' : 0);
    const long half = 500000;
    if (dropped + 1 + AmaxError >= half && dropped - AmaxError <= half)
        return false;
    Ax.n = 15;
    if (dropped > half) {
        int i = 14;
        while (i >= 0 && Ax.digits[i] == '9')
            Ax.digits[i--] = '0';
        if (i >= 0) {
            ++Ax.digits[i];
        } else {  // 999... carried into a new leading digit
            Ax.digits[0] = '1';
            ++Ax.exponent;
        }
    }
    return true;
}

// An x87 extended value's fields: the sign, a 15-bit biased exponent and a
// 64-bit significand with an explicit leading bit. Read from the bytes, they
// give integers and fixed-notation digits exactly by integer arithmetic,
// without the x87 unit, whose loads stall on freshly stored values.
constexpr bool kExtendedLayout = std::numeric_limits<long double>::digits == 64 &&
                                 std::numeric_limits<long double>::max_exponent == 16384;

// 10^0 .. 10^18, the powers of ten in 64 bits.
constexpr auto kDecimalPow10 = [] {
    std::array<std::uint64_t, 19> powers{1};
    for (std::size_t i = 1; i < powers.size(); ++i)
        powers[i] = powers[i - 1] * 10;
    return powers;
}();
constexpr std::uint64_t kFixedLimit = kDecimalPow10[15];     // from here on, scientific
constexpr std::uint64_t kFifteenDigits = kDecimalPow10[14];  // smallest 15-digit integer

// A finite extended value as significand * 2^-fractionBits.
struct TBinary {
    bool negative;
    std::uint64_t significand;
    int fractionBits;
};

#ifdef __SIZEOF_INT128__
__extension__ using TWide = unsigned __int128;

// The 15-digit rounding of Ab (not an integer, below 1e15) as digits
// and decimal exponent, when its leading digit is at 1e-4 or above. The
// value scaled by a power of ten is exact in 128 bits, so the rounding is
// too. False (for exact ties as well) leaves the value to the general way.
bool fixedDigits(const TBinary& Ab, TDecimal& Ax) noexcept
{
    // Beyond 77 fraction bits the value is below 2^-14 < 1e-4; beyond 63
    // there is no integer part.
    if (Ab.fractionBits > 77)
        return false;
    const std::uint64_t whole = Ab.fractionBits < 64 ? Ab.significand >> Ab.fractionBits : 0;
    int exponent = -1;
    while (exponent < 14 && whole >= kDecimalPow10[exponent + 1])
        ++exponent;
    const TWide unit = TWide{1} << Ab.fractionBits;
    TWide scaled;
    for (;;) {
        scaled = TWide{Ab.significand} * kDecimalPow10[14 - exponent];
        if ((scaled >> Ab.fractionBits) >= kFifteenDigits)
            break;
        if (--exponent < -4)
            return false;
    }
    std::uint64_t digits = static_cast<std::uint64_t>(scaled >> Ab.fractionBits);
    const TWide rest = scaled & (unit - 1);
    const TWide half = unit >> 1;
    if (rest == half)
        return false;
    if (rest > half && ++digits == kFixedLimit) {  // 999... carried into a new leading digit
        digits = kFifteenDigits;
        if (++exponent == 15)
            return false;
    }
    // Trailing zeros (14 at most) come off first, so fewer digits are written.
    for (const std::uint64_t step : {kDecimalPow10[8], kDecimalPow10[4], kDecimalPow10[2], kDecimalPow10[1]})
        if (digits % step == 0)
            digits /= step;
    Ax.n = static_cast<int>(std::to_chars(Ax.digits, Ax.digits + sizeof Ax.digits, digits).ptr - Ax.digits);
    Ax.exponent = exponent;
    return true;
}
#else
// Without 128-bit integers (32-bit targets) there is no exact scaling:
// fractions take the general way.
bool fixedDigits(const TBinary&, TDecimal&) noexcept
{
    return false;
}
#endif

// Writes Ax in the general format, trailing zeros dropped: scientific
// below 1e-4 and from 1e15 up, else fixed.
std::size_t writeDecimal(TDecimal& Ax, char* AOut) noexcept
{
    while (Ax.n > 1 && Ax.digits[Ax.n - 1] == '0')
        --Ax.n;

    char* o = AOut;
    if (Ax.negative)
        *o++ = '-';
    const char* digits = Ax.digits;
    const int n = Ax.n;
    const int exponent = Ax.exponent;
    if (exponent < -4 || exponent >= 15) {
        *o++ = digits[0];
        if (n > 1) {
            *o++ = '.';
            o = std::copy(digits + 1, digits + n, o);
        }
        *o++ = 'e';
        *o++ = exponent < 0 ? '-' : '+';
        o = std::to_chars(o, AOut + kMaxNumberText, exponent < 0 ? -exponent : exponent).ptr;
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i)
            *o++ = i < n ? digits[i] : '0';
        if (n > exponent + 1) {
            *o++ = '.';
            o = std::copy(digits + exponent + 1, digits + n, o);
        }
    } else {
        *o++ = '0';
        *o++ = '.';
        for (int i = -1; i > exponent; --i)
            *o++ = '0';
        o = std::copy(digits, digits + n, o);
    }
    return static_cast<std::size_t>(o - AOut);
}

}  // namespace

std::size_t FormatNumber(const long double& AValue, char* AOut) noexcept
{
    TDecimal x;
    if constexpr (kExtendedLayout) {
        std::uint64_t significand;
        std::uint16_t top;
        std::memcpy(&significand, &AValue, sizeof significand);
        std::memcpy(&top, reinterpret_cast<const char*>(&AValue) + sizeof significand, sizeof top);
        const int biased = top & 0x7FFF;
        if (biased == 0x7FFF)
            return 0;
        const TBinary b{(top >> 15) != 0, significand, 16383 + 63 - biased};
        // Normal values have the leading bit set; zero has no bit at all.
        const bool normal = (significand >> 63) != 0;
        if ((normal || (significand == 0 && biased == 0)) && b.fractionBits > 0) {
            const std::uint64_t whole = b.fractionBits < 64 ? significand >> b.fractionBits : 0;
            const bool integer = significand == 0 || (b.fractionBits < 64 && whole << b.fractionBits == significand);
            if (integer && whole < kFixedLimit) {
                // Integers below 1e15 print all their digits.
                char* o = AOut;
                if (b.negative)
                    *o++ = '-';
                return static_cast<std::size_t>(std::to_chars(o, AOut + kMaxNumberText, whole).ptr - AOut);
            }
            x.negative = b.negative;
            if (!integer && whole < kFixedLimit && fixedDigits(b, x))
                return writeDecimal(x, AOut);
        }
    } else if (!std::isfinite(AValue)) {
        return 0;
    }

    // The 15 significant digits. The shortest round-trip digits are the
    // fastest to get, and at most 15 of them are already the 15-digit
    // rounding (an ulp is below a unit of the 15th digit); more are rounded
    // here when that is safe, else the value is formatted exactly.
    // Half an ulp of a double is at most 0.111 of a unit of the 15th digit
    // (10^15 / 2^53), of a long double 0.000055 (10^15 / 2^64).
    const double d = static_cast<double>(AValue);
    const bool isDouble = static_cast<long double>(d) == AValue;
    if (isDouble)
        scientific(d, x, false);
    else
        scientific(AValue, x, false);
    // Both hold for normal numbers only. A subnormal's ulp can exceed a unit
    // of its 15th digit, so even a short digit string (5e-324) is not its
    // 15-digit rounding: subnormals always take the exact way.
    const bool normal = isDouble ? std::fabs(d) >= std::numeric_limits<double>::min()
                                 : std::fabs(AValue) >= std::numeric_limits<long double>::min();
    if (!normal || (x.n > 15 && !roundShortest(x, isDouble ? 112000 : 100))) {
        if (isDouble)
            scientific(d, x, true);
        else
            scientific(AValue, x, true);
    }
    return writeDecimal(x, AOut);
}

TScanResult ScanNumber(const char16_t*& APos, const char16_t* AEnd, long double& AValue)
{
    const char16_t* s = APos;
    bool negative = false;
    if (s < AEnd && (*s == u'+' || *s == u'-')) {
        negative = *s == u'-';
        ++s;
    }
    // The digits go into a mantissa as they are scanned; fastDigits counts
    // them from the first non-zero one on. Beyond 19 of them the mantissa
    // wraps and the exact way below takes over.
    std::uint64_t fastMantissa = 0;
    int fastDigits = 0;
    auto scanDigits = [&] {
        while (s < AEnd && isDigit(*s)) {
            fastMantissa = fastMantissa * 10 + static_cast<std::uint64_t>(*s - u'0');
            fastDigits += fastMantissa != 0;
            ++s;
        }
    };
    const char16_t* intBegin = s;
    scanDigits();
    const char16_t* intEnd = s;
    if (intBegin == intEnd)
        return TScanResult::NoMatch;
    const char16_t* fracBegin = s;
    const char16_t* fracEnd = s;
    if (s < AEnd && *s == u'.') {
        fracBegin = ++s;
        scanDigits();
        fracEnd = s;
        if (fracBegin == fracEnd)
            return TScanResult::NoMatch;
    }
    // The exponent, saturated far beyond any representable magnitude.
    std::int64_t exponent = 0;
    if (s < AEnd && (*s == u'e' || *s == u'E')) {
        ++s;
        bool expNegative = false;
        if (s < AEnd && (*s == u'+' || *s == u'-')) {
            expNegative = *s == u'-';
            ++s;
        }
        const char16_t* expBegin = s;
        while (s < AEnd && isDigit(*s)) {
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*s - u'0');
            ++s;
        }
        if (expBegin == s)
            return TScanResult::NoMatch;
        if (expNegative)
            exponent = -exponent;
    }
    const char16_t* numberEnd = s;

    const std::int64_t fastScale = exponent - (fracEnd - fracBegin);
    if (fastDigits <= kMaxExactDigits && fastScale >= -kExactPow10 && fastScale <= kExactPow10) {
        // Both operands are exact, so the one rounding step is correct.
        const long double m = static_cast<long double>(fastMantissa);
        const long double result = fastScale >= 0 ? m * kPow10[fastScale] : m / kPow10[-fastScale];
        AValue = negative ? -result : result;
        APos = numberEnd;
        return TScanResult::Ok;
    }

    // Significant digits: the mantissa without leading zeros, and the power
    // of ten that scales it.
    std::uint64_t mantissa = 0;
    int significant = 0;
    std::int64_t scale = exponent;
    std::int64_t leadingPosition = 0;  // decimal position of the first non-zero digit
    bool seenNonZero = false;
    auto take = [&](const char16_t* Abegin, const char16_t* Aend, bool Afraction) {
        for (const char16_t* d = Abegin; d < Aend; ++d) {
            if (!seenNonZero && *d == u'0') {
                if (Afraction) {
                    --leadingPosition;
                    --scale;
                }
                continue;
            }
            if (!seenNonZero && !Afraction)
                leadingPosition = Aend - d;
            seenNonZero = true;
            ++significant;
            if (significant <= kMaxExactDigits) {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*d - u'0');
                if (Afraction)
                    --scale;
            } else if (!Afraction) {
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
                return TScanResult::OutOfRange;
            result = 0;
        } else if (r.ec != std::errc()) {
            return TScanResult::NoMatch;
        }
    }
    AValue = negative ? -result : result;
    APos = numberEnd;
    return TScanResult::Ok;
}

}  // namespace ecr17::detail
