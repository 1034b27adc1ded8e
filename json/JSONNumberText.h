// Number text of the JSON unit, shared by the writer, the reader and the
// variant conversions. Both directions ignore the process locale: the
// text always has "." as its decimal separator.
#pragma once

#include <cstddef>

namespace ecr17::detail {

// Longest text FormatNumber writes, with room to spare.
constexpr std::size_t kMaxNumberText = 40;

// Writes AValue with 15 significant digits: fixed notation for ordinary
// magnitudes, "1e+20" / "1e-7" style beyond, trailing zeros removed.
// Returns the length written to AOut (at least kMaxNumberText chars), 0 for
// infinities and NaN, which have no number text. Taken by reference: the
// value's bytes are read in memory, where they were just stored.
std::size_t FormatNumber(const long double& AValue, char* AOut) noexcept;

enum class TScanResult { NoMatch, OutOfRange, Ok };

// Reads a number at APos: an optional "+" or "-", digits, optionally "."
// and digits, optionally "e"/"E", an optional sign and digits. On Ok, APos
// is moved past it and AValue holds it. NoMatch (APos unchanged) when the
// grammar does not match; OutOfRange when the magnitude is beyond long
// double. Magnitudes too small for long double read as zero.
TScanResult ScanNumber(const char16_t*& APos, const char16_t* AEnd, long double& AValue);

}  // namespace ecr17::detail
