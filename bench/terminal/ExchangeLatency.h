// Latency of one payment and one status request through TECR against the
// same exchange done with raw sockets, both on the instant terminal, with the
// log off and with the log file active.
#pragma once

#include <string>

// Prints the medians and p99s and the RESULT ratios (TECR / raw).
// AlogFile: where the log file goes while the log is on.
void runExchangeLatency(const std::u16string& AlogFile);
