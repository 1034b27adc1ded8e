#include "CliAmount.h"

#include <limits>
#include <string>

namespace {

constexpr int maxDecimals = 4;

bool allDigits(std::string_view Atext)
{
    return !Atext.empty() && Atext.find_first_not_of("0123456789") == std::string_view::npos;
}

// Appends the digits of Atext to Avalue; false when Currency overflows.
bool accumulate(Currency& Avalue, std::string_view Adigits)
{
    constexpr Currency limit = std::numeric_limits<Currency>::max();
    for (char c : Adigits) {
        const int digit = c - '0';
        if (Avalue > (limit - digit) / 10)
            return false;
        Avalue = Avalue * 10 + digit;
    }
    return true;
}

} // namespace

std::optional<Currency> cliParseAmount(std::string_view Atext)
{
    const bool negative = !Atext.empty() && Atext.front() == '-';
    if (negative)
        Atext.remove_prefix(1);
    const std::size_t dot = Atext.find('.');
    const std::string_view whole = Atext.substr(0, dot);
    std::string decimals(dot == std::string_view::npos ? std::string_view() : Atext.substr(dot + 1));
    if (!allDigits(whole) || (dot != std::string_view::npos && !allDigits(decimals)) || decimals.size() > maxDecimals)
        return std::nullopt;
    decimals.resize(maxDecimals, '0');
    Currency value = 0;
    if (!accumulate(value, whole) || !accumulate(value, decimals))
        return std::nullopt;
    return negative ? -value : value;
}
