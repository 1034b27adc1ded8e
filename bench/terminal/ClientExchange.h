// The client side of the benchmark: TECR set up like the console's, against
// one terminal port, with each exchange checked so that a failing path is
// never what gets measured.
#pragma once

#include "ECR17u.h"

#include <cstdint>
#include <memory>
#include <string>

// 0.01 in ten-thousandths, the console's test amount.
inline constexpr Currency oneCent = 100;

// A TECR on 127.0.0.1:Aport with print mode 2 and the given outcome wait.
std::unique_ptr<TECR> benchClient(std::uint16_t Aport, std::int32_t Atimeout = 60);

// TECR::logEnable that must switch the log file on; raises std::runtime_error otherwise.
void enableLog(const std::u16string& AlogFile);

// pay(0.01, "") that must succeed without a time-out; raises std::runtime_error otherwise.
void clientPay(TECR& Aecr);
// status() that must succeed; raises std::runtime_error otherwise.
void clientStatus(TECR& Aecr);
