// The payment outcome the terminal sends after a payment request, and its
// rendering as the payment's result text.
//
// Payload, positions from 1: 1-8 terminal id, 10 message code "E" or "V",
// 11-12 result. Result "00" carries the approved transaction in 13-47 (PAN,
// transaction type, auth code, date/time); result "01" a refusal description
// in 13-36; any other result neither. 48-71 always carry card type, acquirer
// id, STAN and online id. Fields past the end of a short payload stay short
// or empty.
#pragma once

#include "ResponseField.h"

#include <string>
#include <string_view>

namespace ecr17::detail {

struct TPaymentResponse {
    TShortString<8> termID;
    TShortString<2> result;
    TShortString<19> pan;
    TShortString<3> tranType;
    TShortString<6> authCode;
    TShortString<7> dateTime;
    TShortString<24> description;
    TShortString<1> cardType;
    TShortString<11> acquirerID;
    TShortString<6> stan;
    TShortString<6> IDonline;
};

void clearPayResponse(TPaymentResponse& Aresponse) noexcept;

// Ares is emptied; when Areceived holds an outcome message (code "E" or "V"
// at position 10) it is rendered into Ares as JSON (AJSONout) or as labelled
// lines and the result is true. Not traced, no log line of its own; errors
// are logged and passed on.
bool parsePaymentRes(std::u16string_view Areceived, bool AJSONout, std::u16string& Ares);

// True when Areceived holds an outcome message (code "E" or "V" at position
// 10 of its first frame's payload).
bool isPaymentOutcome(std::u16string_view Areceived);

// The STAN (positions 60-65) of the outcome in Areceived.
std::u16string paymentStan(std::u16string_view Areceived);

// All eleven members, in record order, always present.
std::u16string payResToJSON(const TPaymentResponse& Aresponse);
// All eleven labelled lines, in record order, always present.
std::u16string payResToText(const TPaymentResponse& Aresponse);

} // namespace ecr17::detail
