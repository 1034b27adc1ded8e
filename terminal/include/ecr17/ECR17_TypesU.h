// Types shared by the terminal client and its callers.
#pragma once

#include "ecr17.h"

#include <cstdint>

// Amount in ten-thousandths of the currency unit (1.00 is 10000).
using Currency = std::int64_t;

// 0: no receipt is collected after a payment; 1 and 2: the receipt is collected.
using TPrintMode = std::uint8_t;

// Plain procedures, so that code without objects can drive the client. The
// text is zero-terminated UTF-16 and valid only during the call. They have
// the C interface's calling convention (__stdcall on 32-bit Windows), so
// that its callers' procedures are handed on as they are.
using TProgressCallback = void (ECR17_CALL*)(const char16_t* Ares);
using TPayCallback = void (ECR17_CALL*)(const char16_t* Ares, bool Atimeout);
