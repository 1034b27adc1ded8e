// The terminal's status: the command that asks for it, the layout of its
// response, and the response rendered as a result text.
//
// Response payload, positions from 1: 1-8 terminal id, 9-20 not read, 21-30
// date and time, 31 status character, 32 to the end software release. A
// payload shorter than 31 characters is refused.
#pragma once

#include "ResponseField.h"

#include <string>
#include <string_view>

namespace ecr17::detail {

// Nine zeros and the message code "s".
inline constexpr std::u16string_view statusCommand = u"000000000s";

struct TStatusResponse {
    TShortString<8> TermID;
    TShortString<10> DateTime;
    TShortString<1> Status;
    std::u16string SWrelease;
};

// Takes the payload out of Areceived (which may hold more than the response
// frame), logs it and, when it is long enough, renders it into Ares as JSON
// (AJSONout) or as labelled lines. On false Ares keeps its value.
// Traced as "parseStatusRes"; errors are logged and passed on.
bool parseStatusRes(std::u16string_view Areceived, bool AJSONout, std::u16string& Ares);

// {"termID":..,"datetime":..,"status":..,"SWrelease":..}
std::u16string statusResToJSON(const TStatusResponse& Aresponse);
// "Terminal ID: ", "Date/time: ", "Status: ", "SW Release: " lines.
std::u16string statusResToText(const TStatusResponse& Aresponse);

} // namespace ecr17::detail
