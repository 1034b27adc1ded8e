#include "TotalsResponse.h"

#include "FrameCodec.h"
#include "LogException.h"
#include "ResponseField.h"
#include "ResultText.h"

#include <algorithm>
#include <array>

namespace ecr17::detail {

namespace {

constexpr std::size_t codePosition = 10;
constexpr char16_t totalsCode = u'T';

bool isDigit(char16_t Ac) noexcept { return Ac >= u'0' && Ac <= u'9'; }

} // namespace

std::u16string centsToAmount(std::u16string_view Acents)
{
    if (Acents.empty() || !std::all_of(Acents.begin(), Acents.end(), isDigit))
        return std::u16string(Acents);
    const std::size_t firstNonZero = std::min(Acents.find_first_not_of(u'0'), Acents.size());
    std::u16string digits(Acents.substr(firstNonZero));
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), u'0');
    digits.insert(digits.size() - 2, 1, u'.');
    return digits;
}

bool parseTotalsRes(std::u16string_view Areceived, bool AJSONout, std::u16string& Ares)
{
    Ares.clear();
    return withLogException([&] {
        const std::u16string payload = extractBetween(Areceived, STX, ETX);
        if (payload.size() < codePosition || payload[codePosition - 1] != totalsCode)
            return false;
        const std::array<TResultField, 3> fields{{
            {u"termID", u"Terminal ID: ", TShortString<8>(payloadField(payload, 1, 8)).text()},
            {u"result", u"Result: ", TShortString<2>(payloadField(payload, 11, 2)).text()},
            {u"total", u"Total: ", centsToAmount(TShortString<16>(payloadField(payload, 13, 16)).text())},
        }};
        Ares = AJSONout ? resultFieldsToJSON(fields) : resultFieldsToText(fields);
        return true;
    });
}

} // namespace ecr17::detail
