// The terminal's answer to the totals command.
//
// Payload, positions from 1: 1-8 terminal id, 10 message code "T", 11-12
// result, 13-28 the total since the last close in cents (16 digits).
#pragma once

#include <string>
#include <string_view>

namespace ecr17::detail {

// Ares is emptied; when Areceived holds a totals answer it is rendered into
// Ares ("termID", "result", "total" as "12.34"; or the labelled lines
// "Terminal ID: ", "Result: ", "Total: ") and the result is true.
bool parseTotalsRes(std::u16string_view Areceived, bool AJSONout, std::u16string& Ares);

// Cents given as digits, as a decimal amount with two decimals ("1234" is
// "12.34", "7" is "0.07"); text that is not all digits is returned as it is.
std::u16string centsToAmount(std::u16string_view Acents);

} // namespace ecr17::detail
