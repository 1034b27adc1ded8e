// The command messages that the terminal only acknowledges.
#pragma once

#include "ECR17_TypesU.h"

#include <string>
#include <string_view>

// "000000000E" and the print mode as one digit.
std::u16string printModeCommand(TPrintMode AprintMode);
// "000000000R0", "1" for a service ticket ("0" otherwise), "0000000000".
std::u16string reprintCommand(bool AserviceTicket);
inline constexpr std::u16string_view closeSessionCommand = u"000000000C0000000000000";
