#include "PayRequest.h"

#include "CurrencyFormat.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "TextConvert.h"
#include "TotalsResponse.h"

#include <algorithm>

#include <stdexcept>

namespace ecr17::detail {

namespace {

// Amounts count ten-thousandths; the terminal takes whole cents below 1,000,000.00.
constexpr Currency unitsPerCent = 100;
constexpr Currency amountLimit = 10'000'000'000;
constexpr std::size_t amountDigits = 8;
constexpr std::size_t descriptionWidth = 128;
constexpr std::u16string_view requestHead = u"000000000P0000000000000";
constexpr std::u16string_view requestTail = u"00000000";

bool amountRuleHolds(Currency Aamount) noexcept
{
    return Aamount > 0 && Aamount < amountLimit && Aamount % unitsPerCent == 0;
}

std::u16string centText(Currency Aamount)
{
    const std::string cents = std::to_string(Aamount / unitsPerCent);
    std::u16string out(amountDigits - cents.size(), u'0');
    out.append(cents.begin(), cents.end());
    return out;
}

std::u16string descriptionField(std::u16string_view Atext)
{
    const std::u16string_view kept = Atext.substr(0, descriptionWidth);
    std::u16string out(descriptionWidth - kept.size(), u' ');
    for (const char16_t c : kept)
        out += textChar(c);
    return out;
}

} // namespace

bool amountValidate(Currency Aamount, std::u16string& AamountText)
{
    const TMethodTrace trace = Logger().TraceMethod(u"amountValidate");
    return withLogException([&] {
        dlogMsg(u"Amount validate start", lvInfo);
        AamountText.clear();
        dlogMsg(u"Amount: " + formatCurrency(Aamount, monetaryLocale()), lvInfo);
        if (!amountRuleHolds(Aamount)) {
            dlogMsg(u"Validation failed", lvWarning);
            return false;
        }
        AamountText = centText(Aamount);
        dlogMsg(u"Validation successful: " + AamountText, lvNotice);
        return true;
    });
}

bool amountValidate(Currency Aamount)
{
    std::u16string scratch;
    return amountValidate(Aamount, scratch);
}

std::u16string buildPayRequest(std::u16string_view Atext, Currency Aamount)
{
    std::u16string amountText;
    if (!amountValidate(Aamount, amountText)) throw std::invalid_argument("Amount non valid.");
    std::u16string request(requestHead);
    request += amountText;
    request += descriptionField(Atext);
    request += requestTail;
    return request;
}

std::u16string amountText(Currency Aamount)
{
    const bool negative = Aamount < 0;
    const std::u16string cents = centsToAmount(intToText(negative ? -(Aamount / unitsPerCent) : Aamount / unitsPerCent));
    return negative ? u"-" + cents : cents;
}

std::u16string reversalStan(const std::u16string& Astan)
{
    constexpr std::size_t stanDigits = 6;
    if (Astan.empty())
        return std::u16string(stanDigits, u'0');
    const bool digits = std::all_of(Astan.begin(), Astan.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (Astan.size() != stanDigits || !digits)
        throw std::invalid_argument("STAN non valid.");
    return Astan;
}

} // namespace ecr17::detail
