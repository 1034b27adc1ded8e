// Number text of the JSON unit, shared by the writer, the reader and the
// variant conversions. Both directions ignore the process locale: the
// text always has "." as its decimal separator.
#pragma once

#include <cstddef>

namespace jsonnumbertext {

// Longest text FormatNumber writes, with room to spare.
constexpr std::size_t kMaxNumberText = 40;

// Writes a finite v with 15 significant digits: fixed notation for ordinary
// magnitudes, "1e+20" / "1e-7" style beyond, trailing zeros removed. Returns
// the length written to out (at least kMaxNumberText chars).
std::size_t FormatNumber(long double v, char* out) noexcept;

enum class ScanResult { NoMatch, OutOfRange, Ok };

// Reads a number at p: an optional "+" or "-", digits, optionally "." and
// digits, optionally "e"/"E", an optional sign and digits. On Ok, p is moved
// past it and value holds it. NoMatch (p unchanged) when the grammar does not
// match; OutOfRange when the magnitude is beyond long double. Magnitudes too
// small for long double read as zero.
ScanResult ScanNumber(const char16_t*& p, const char16_t* end, long double& value);

}  // namespace jsonnumbertext
