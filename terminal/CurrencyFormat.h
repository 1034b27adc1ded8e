// Amounts written the way the process's regional settings write money, for
// the log: currency symbol and its place, sign, decimal and thousands
// separators from the monetary facet, always four decimal places.
#pragma once

#include "ECR17_TypesU.h"

#include <locale>
#include <string>

namespace ecr17::detail {

// The locale named by the process's LC_MONETARY category (set with
// setlocale); the classic locale when that name cannot be opened.
std::locale monetaryLocale();

// Under the classic locale 0.01 is "0.0100" and -1 is "-1.0000".
std::u16string formatCurrency(Currency Aamount, const std::locale& Alocale);

} // namespace ecr17::detail
