// The listening socket of the simulator.
#pragma once

#include "SimFd.h"

#include <cstdint>
#include <string>

// Binds Ahost (a dotted IPv4 address) and Aport (0: a free port) and listens.
// Raises std::system_error when that fails.
TSimFd simListen(const std::string& Ahost, std::uint16_t Aport);
// Binds Ahost on a free port without listening: a connect there is refused.
TSimFd simBindOnly(const std::string& Ahost);
// The port a bound socket listens on.
std::uint16_t simLocalPort(TSimHandle Asocket);
// Shrinks the listen queue of Alistener to one place and takes that place
// with a connection of its own: the system then drops every further SYN.
// The connection is returned; the queue stays full while it is open.
TSimFd simFillListenQueue(TSimHandle Alistener, const std::string& Ahost, std::uint16_t Aport);
