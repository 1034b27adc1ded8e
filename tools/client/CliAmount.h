// AMOUNT on the command line: a decimal with "." and at most four decimals.
#pragma once

#include "ECR17_TypesU.h"

#include <optional>
#include <string_view>

// "0.01", "12.5", "-1", "0" and the like as ten-thousandths of the unit,
// without going through floating point; nullopt for anything else, including
// a value that does not fit in Currency.
std::optional<Currency> cliParseAmount(std::string_view Atext);
