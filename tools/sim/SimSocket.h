// The socket calls of a connection the simulator serves, one implementation
// a platform: SimSocketPosix.cpp and SimSocketWin.cpp.
#pragma once

#include "SimFd.h"

#include <cstddef>
#include <string>
#include <string_view>

enum class TSimReady { Socket, Stopped, TimedOut, Failed };

// Waits until Asocket is readable (writable with Awritable), the stop signal
// is raised or AtimeoutMs has passed (negative: no limit). With kSimNoHandle
// only the stop signal is waited for. The stop signal wins over the socket.
TSimReady simWait(TSimHandle Asocket, bool Awritable, const TSimStopSignal& Astop, int AtimeoutMs);

// A connection taken from Alistener; empty when that failed.
TSimFd simAccept(TSimHandle Alistener);
// Pieces go out as written, so a test's split reaches the client split.
void simSetNoDelay(TSimHandle Asocket) noexcept;

// Bytes sent (>= 0) or -1 on a failure. With AdontWait a full buffer
// returns 0 instead of waiting.
std::ptrdiff_t simSend(TSimHandle Asocket, std::string_view Abytes, bool AdontWait);
// Bytes read (> 0), 0 when the peer closed, -1 on a failure.
std::ptrdiff_t simRecv(TSimHandle Asocket, char* Abuffer, std::size_t Asize);
// FIN: the client reads the end of the stream.
void simShutdownSend(TSimHandle Asocket) noexcept;
// Makes the coming close abortive: SO_LINGER 0 sends RST.
void simResetOnClose(TSimHandle Asocket) noexcept;

// The text of this thread's last failed socket call.
std::string simLastErrorText();
