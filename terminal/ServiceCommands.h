// The command messages other than the payment request. Each layout lives
// here once, so that a terminal that differs is met by changing one line.
#pragma once

#include "ECR17_TypesU.h"

#include <string>
#include <string_view>

namespace ecr17::detail {

// "000000000E" and the print mode as one digit.
std::u16string printModeCommand(TPrintMode AprintMode);
// "000000000R0", "1" for a service ticket ("0" otherwise), "0000000000".
std::u16string reprintCommand(bool AserviceTicket);
inline constexpr std::u16string_view closeSessionCommand = u"000000000C0000000000000";

// "Send last result": the terminal answers with a copy of the last result
// frame it saved. "000000000G" and twelve "0" (22 characters).
inline constexpr std::u16string_view lastResultCommand = u"000000000G000000000000";
// Reversal of the payment with the given STAN (six digits; "000000": the
// last transaction): "000000000S", the cash register's id as eight "0", the
// STAN, "0", "0" (26 characters). Answered like a payment.
std::u16string reversalCommand(std::u16string_view Astan);
// Totals since the last close: "000000000T" and sixteen "0" (26 characters).
inline constexpr std::u16string_view totalsCommand = u"000000000T0000000000000000";

} // namespace ecr17::detail
