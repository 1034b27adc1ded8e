// The payment request: the amount rule, the amount text and the 167-character
// request message.
//
// An amount is valid when it is a whole number of cents from 0.01 to
// 999,999.99; the amount text is its cent count in eight digits. The message
// is "000000000P0000000000000", the amount text, the description right-aligned
// in 128 characters (cut to its first 128, filled with spaces on the left) and
// "00000000".
#pragma once

#include "ECR17_TypesU.h"

#include <string>
#include <string_view>

namespace ecr17::detail {

inline constexpr std::size_t payRequestLength = 167;

// Validates Aamount and yields its amount text (empty when not valid). Traced
// as "amountValidate"; logs the start, the amount in the process's monetary
// format, and the verdict. Errors are logged and passed on.
bool amountValidate(Currency Aamount, std::u16string& AamountText);
// The same, discarding the amount text.
bool amountValidate(Currency Aamount);

// Raises std::invalid_argument "Amount non valid." for an invalid amount.
std::u16string buildPayRequest(std::u16string_view Atext, Currency Aamount);

// Aamount as a decimal with two decimals ("0.01"), as the journal keeps it.
std::u16string amountText(Currency Aamount);

// The STAN of a reversal: six digits, or "000000" (the last transaction) for
// an empty text. Raises std::invalid_argument "STAN non valid." otherwise.
std::u16string reversalStan(const std::u16string& Astan);

} // namespace ecr17::detail
