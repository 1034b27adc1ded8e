// The physical limit of an exchange: the bytes of a payment or a status
// request written and read with plain blocking sockets, nothing else.
#pragma once

#include <cstdint>

// Connect; print-mode frame (mode 2) -> ACK; payment frame (0.01) -> ACK;
// outcome -> ACK; receipt blocks -> ACK each, up to the one with the end
// mark; close. Raises std::runtime_error when the terminal answers otherwise.
void rawPay(std::uint16_t Aport);

// Connect; status frame -> ACK; status response -> ACK; close.
void rawStatus(std::uint16_t Aport);
