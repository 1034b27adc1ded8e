// Conversions between the client's UTF-16 texts and UTF-8 at the edges
// (exception messages, file names, the command line).
#pragma once

#include <string>
#include <string_view>

namespace ecr17::detail {

// Malformed sequences become U+FFFD.
std::u16string utf8ToText(std::string_view Autf8);
// Unpaired surrogates become U+FFFD.
std::string textToUtf8(std::u16string_view Atext);

// Decimal, without leading zeros, as log lines write numbers.
std::u16string intToText(long long Avalue);
// "True" or "False", as log lines write flags.
std::u16string boolText(bool Avalue);

} // namespace ecr17::detail
