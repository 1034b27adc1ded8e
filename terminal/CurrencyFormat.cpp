#include "CurrencyFormat.h"

#include "TextConvert.h"

#include <clocale>
#include <climits>
#include <string_view>

namespace ecr17::detail {

namespace {

using TMoneyPunct = std::moneypunct<char, false>;

constexpr int fractionDigits = 4;
constexpr std::uint64_t fractionScale = 10000;

// Integer digits with the facet's thousands separators; the grouping string
// lists group sizes from the right, its last size repeating.
std::string groupedDigits(std::uint64_t Aunits, const TMoneyPunct& Apunct)
{
    const std::string digits = std::to_string(Aunits);
    const std::string grouping = Apunct.grouping();
    std::string out;
    std::size_t groupIndex = 0;
    int inGroup = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        const int size = grouping.empty() ? 0 : grouping[groupIndex];
        if (size > 0 && size != CHAR_MAX && inGroup == size) {
            out.insert(out.begin(), Apunct.thousands_sep());
            inGroup = 0;
            if (groupIndex + 1 < grouping.size()) ++groupIndex;
        }
        out.insert(out.begin(), digits[i]);
        ++inGroup;
    }
    return out;
}

std::string numberText(std::uint64_t Amagnitude, const TMoneyPunct& Apunct)
{
    std::string fraction = std::to_string(Amagnitude % fractionScale);
    fraction.insert(0, fractionDigits - fraction.size(), '0');
    return groupedDigits(Amagnitude / fractionScale, Apunct) + Apunct.decimal_point() + fraction;
}

// The facet's sign text; the classic locale's negative sign is empty, which
// would make a negative amount read as positive.
std::string signText(bool Anegative, const TMoneyPunct& Apunct)
{
    if (!Anegative) return Apunct.positive_sign();
    const std::string sign = Apunct.negative_sign();
    return sign.empty() ? std::string("-") : sign;
}

} // namespace

std::locale monetaryLocale()
{
    const char* name = std::setlocale(LC_MONETARY, nullptr);
    try {
        return name ? std::locale(name) : std::locale::classic();
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

std::u16string formatCurrency(Currency Aamount, const std::locale& Alocale)
{
    const auto& punct = std::use_facet<TMoneyPunct>(Alocale);
    const bool negative = Aamount < 0;
    // Negated in unsigned arithmetic, so the most negative amount has a magnitude too.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(Aamount)
                                             : static_cast<std::uint64_t>(Aamount);
    const std::string sign = signText(negative, punct);
    const std::money_base::pattern pattern = negative ? punct.neg_format() : punct.pos_format();
    std::string out;
    for (const char part : pattern.field) {
        switch (part) {
        case std::money_base::symbol: out += punct.curr_symbol(); break;
        case std::money_base::sign: out += sign.substr(0, 1); break;
        case std::money_base::value: out += numberText(magnitude, punct); break;
        case std::money_base::space: out += ' '; break;
        default: break;
        }
    }
    // A sign of several characters: the first stands in the sign's place, the
    // rest follows the whole amount.
    if (sign.size() > 1) out += sign.substr(1);
    return utf8ToText(out);
}

} // namespace ecr17::detail
