// The BSD socket calls from the platform's own headers (Winsock has them
// under the same names), and the few steps that differ, for the simulator's
// socket code that is the same on both platforms.
#pragma once

#include "SimFd.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <string>

// A new TCP socket that child processes do not inherit; on Windows Winsock
// is started first. Raises std::system_error when none can be had.
TSimFd simTcpSocket();
// A listener takes its port again at once after a restart, and shares it
// with no other listener.
void simReusePort(TSimHandle Alistener) noexcept;
// Raises the last failed socket call's error as std::system_error.
[[noreturn]] void simFailLast(const std::string& Awhat);
