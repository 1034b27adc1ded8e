// The payloads the simulated terminal sends, built from its behaviour.
#pragma once

#include "SimBehaviour.h"

#include <string>
#include <string_view>
#include <vector>

// Atext cut or padded with spaces on the right to Awidth characters.
std::string simFit(std::string_view Atext, std::size_t Awidth);

// Terminal id (1-8), twelve unread characters with the code "s" at 10,
// date and time (21-30), status character (31), software release (32-).
std::string simStatusPayload(const TSimBehaviour& Abehaviour, std::string_view AdateTime);

// Terminal id (1-8), message code "T" (10), result "00" (11-12), the total
// in cents as 16 digits (13-28).
std::string simTotalsPayload(const TSimBehaviour& Abehaviour, long long Acents);

// The STAN of a reversal request payload (its characters 19-24); 0 (the last
// payment) when unreadable.
unsigned simReversalStan(std::string_view Apayload);

// Terminal id (1-8), message code (10), result (11-12), then either the
// approved group (13-47: PAN, transaction type, auth code, date/time) or the
// refusal text (13-36), then card type (48), acquirer id (49-59), STAN
// (60-65) and online id (66-71).
std::string simOutcomePayload(const TSimBehaviour& Abehaviour, unsigned Astan, std::string_view AdateTime);

// The receipt as Acount block payloads ("000000000S" + text): lines end with
// "}", every block holds at least one line, and the last one ends with ESC.
std::vector<std::string> simReceiptBlocks(const std::vector<std::string>& Alines, std::size_t Acount);

// The receipt lines of a payment of Acents cents.
std::vector<std::string> simReceiptLines(const TSimBehaviour& Abehaviour, unsigned Astan, long long Acents);

// The cents of a payment request payload (its characters 24-31); 0 when unreadable.
long long simRequestCents(std::string_view Apayload);

// "ddMMyyHHmm" and "DDDHHmm" of the local clock.
std::string simStatusClock();
std::string simOutcomeClock();
