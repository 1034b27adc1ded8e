// The socket calls under TTcpConnection, one implementation a platform:
// TcpSocketPosix.cpp (BSD sockets) and TcpSocketWin.cpp (Winsock). Every
// failure raises ESocketError with the platform's own error code, so the
// text reads "Socket Error # 111" on Linux and "Socket Error # 10061" on
// Windows for the same refused connect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ecr17::detail {

#ifdef _WIN32
using TSocketHandle = std::uintptr_t; // SOCKET
#else
using TSocketHandle = int;
#endif
// INVALID_SOCKET on Windows, -1 elsewhere.
inline constexpr TSocketHandle kNoSocket = static_cast<TSocketHandle>(-1);

// Resolves Ahost (a dotted IPv4 address as it stands, anything else through
// the resolver) and connects within AtimeoutMs, with TCP_NODELAY set.
TSocketHandle socketConnect(const std::string& Ahost, std::uint16_t Aport, int AtimeoutMs);

// One read of what is already waiting, without waiting: the number of bytes
// read, 0 when nothing is waiting, -1 when the peer closed or reset.
std::ptrdiff_t socketReadNow(TSocketHandle Asocket, char* Abuffer, std::size_t Asize);

// Sends every byte, waiting until the platform has taken them.
void socketSendAll(TSocketHandle Asocket, std::string_view Abytes);

// Waits up to AtimeoutMs until bytes or the peer's close are waiting; false
// when the time ran out. Returns at once when they are already there.
bool socketWaitReadable(TSocketHandle Asocket, int AtimeoutMs);

// Orderly end of sending (FIN); errors are of no interest on this path.
void socketShutdownSend(TSocketHandle Asocket) noexcept;
void socketClose(TSocketHandle Asocket) noexcept;

} // namespace ecr17::detail
