// The socket calls on Winsock (see TcpSocket.h). Sockets stay non-blocking
// from the connect on: Winsock has no per-call "don't wait" flag, so a
// read takes what is there and a send that finds the buffer full waits for
// room in WSAPoll.
#include "TcpSocket.h"

#include "TransportErrors.h"
#include "WindowsErrors.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace ecr17::detail {

namespace {

[[noreturn]] void throwCode(int Acode)
{
    throw ESocketError(Acode, describeWinsockError(Acode));
}

[[noreturn]] void throwLast()
{
    throwCode(::WSAGetLastError());
}

// WSAStartup once for the process; Winsock then stays up until it ends.
void startWinsock()
{
    static const int started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0)
        throwCode(started);
}

// A dotted IPv4 address as it stands, anything else through the resolver.
in_addr resolveIPv4(const std::string& Ahost)
{
    in_addr address{};
    if (::inet_pton(AF_INET, Ahost.c_str(), &address) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(Ahost.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr)
        throw ESocketError(rc != 0 ? rc : WSAHOST_NOT_FOUND, "Host not found.");
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

bool isPeerClose(int Acode)
{
    return Acode == WSAECONNRESET || Acode == WSAECONNABORTED || Acode == WSAESHUTDOWN || Acode == WSAENOTCONN
        || Acode == WSAENETRESET;
}

bool waitFor(SOCKET Asocket, short Aevents, int AtimeoutMs)
{
    WSAPOLLFD pfd{Asocket, Aevents, 0};
    const int rc = ::WSAPoll(&pfd, 1, AtimeoutMs);
    if (rc == SOCKET_ERROR)
        throwLast();
    return rc > 0;
}

// Connects within AtimeoutMs: a terminal that is switched off, or SYNs that
// are dropped, would otherwise keep the caller for the system's seconds.
// select() and not WSAPoll, which does not report a failed connect on every
// Windows version. Returns 0 or the Winsock code (WSAETIMEDOUT when the time
// ran out).
int connectWithin(SOCKET Asocket, const sockaddr_in& Apeer, int AtimeoutMs)
{
    u_long nonBlocking = 1;
    if (::ioctlsocket(Asocket, FIONBIO, &nonBlocking) != 0)
        return ::WSAGetLastError();
    if (::connect(Asocket, reinterpret_cast<const sockaddr*>(&Apeer), sizeof Apeer) == 0)
        return 0;
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK)
        return error;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(Asocket, &writable);
    FD_SET(Asocket, &failed);
    timeval limit{AtimeoutMs / 1000, (AtimeoutMs % 1000) * 1000};
    const int rc = ::select(0, nullptr, &writable, &failed, &limit);
    if (rc == SOCKET_ERROR)
        return ::WSAGetLastError();
    if (rc == 0)
        return WSAETIMEDOUT;
    if (!FD_ISSET(Asocket, &failed))
        return 0;
    int failure = 0;
    int length = sizeof failure;
    if (::getsockopt(Asocket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length) != 0)
        return ::WSAGetLastError();
    return failure != 0 ? failure : WSAECONNREFUSED;
}

} // namespace

TSocketHandle socketConnect(const std::string& Ahost, std::uint16_t Aport, int AtimeoutMs)
{
    startWinsock();
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = ::htons(Aport);
    peer.sin_addr = resolveIPv4(Ahost);

    const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET)
        throwLast();
    // Frames are small and every one waits for an answer: never hold one back.
    const BOOL on = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    const int error = connectWithin(s, peer, AtimeoutMs);
    if (error != 0) {
        ::closesocket(s);
        throwCode(error);
    }
    return s;
}

std::ptrdiff_t socketReadNow(TSocketHandle Asocket, char* Abuffer, std::size_t Asize)
{
    const int got = ::recv(Asocket, Abuffer, static_cast<int>(Asize), 0);
    if (got > 0)
        return got;
    if (got == 0)
        return -1;
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        return 0;
    if (!isPeerClose(error))
        throwCode(error);
    return -1;
}

void socketSendAll(TSocketHandle Asocket, std::string_view Abytes)
{
    while (!Abytes.empty()) {
        const int n = ::send(Asocket, Abytes.data(), static_cast<int>(Abytes.size()), 0);
        if (n != SOCKET_ERROR) {
            Abytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        const int error = ::WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            throwCode(error);
        waitFor(Asocket, POLLWRNORM, -1);
    }
}

bool socketWaitReadable(TSocketHandle Asocket, int AtimeoutMs)
{
    return waitFor(Asocket, POLLRDNORM, AtimeoutMs);
}

void socketShutdownSend(TSocketHandle Asocket) noexcept
{
    ::shutdown(Asocket, SD_SEND);
}

void socketClose(TSocketHandle Asocket) noexcept
{
    ::closesocket(Asocket);
}

} // namespace ecr17::detail
