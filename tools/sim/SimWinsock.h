// Winsock for the simulator's Windows files: started once for the process.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

// WSAStartup once; raises std::system_error when Winsock cannot start.
void simStartWinsock();
