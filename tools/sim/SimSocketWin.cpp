#include "SimSocket.h"
#include "SimSocketApi.h"
#include "SimWinsock.h"
#include "WindowsErrors.h"

#include <system_error>

TSimReady simWait(TSimHandle Asocket, bool Awritable, const TSimStopSignal& Astop, int AtimeoutMs)
{
    WSAPOLLFD fds[2] = {{Astop.fd(), POLLRDNORM, 0}, {Asocket, short(Awritable ? POLLWRNORM : POLLRDNORM), 0}};
    const ULONG watched = Asocket == kSimNoHandle ? 1 : 2;
    const int rc = ::WSAPoll(fds, watched, AtimeoutMs);
    if (rc == SOCKET_ERROR)
        return TSimReady::Failed;
    if (fds[0].revents != 0)
        return TSimReady::Stopped;
    return rc == 0 ? TSimReady::TimedOut : TSimReady::Socket;
}

TSimFd simAccept(TSimHandle Alistener)
{
    TSimFd accepted(::accept(Alistener, nullptr, nullptr));
    if (accepted)
        ::SetHandleInformation(reinterpret_cast<HANDLE>(accepted.get()), HANDLE_FLAG_INHERIT, 0);
    return accepted;
}

void simSetNoDelay(TSimHandle Asocket) noexcept
{
    const BOOL on = TRUE;
    ::setsockopt(Asocket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

std::ptrdiff_t simSend(TSimHandle Asocket, std::string_view Abytes, bool AdontWait)
{
    // The socket blocks; a send that must not wait is made non-blocking for
    // its own call only.
    u_long nonBlocking = AdontWait ? 1 : 0;
    if (AdontWait)
        ::ioctlsocket(Asocket, FIONBIO, &nonBlocking);
    const int n = ::send(Asocket, Abytes.data(), static_cast<int>(Abytes.size()), 0);
    const int error = n == SOCKET_ERROR ? ::WSAGetLastError() : 0;
    if (AdontWait) {
        nonBlocking = 0;
        ::ioctlsocket(Asocket, FIONBIO, &nonBlocking);
        ::WSASetLastError(error);
    }
    if (n != SOCKET_ERROR)
        return n;
    return AdontWait && error == WSAEWOULDBLOCK ? 0 : -1;
}

std::ptrdiff_t simRecv(TSimHandle Asocket, char* Abuffer, std::size_t Asize)
{
    const int n = ::recv(Asocket, Abuffer, static_cast<int>(Asize), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

void simShutdownSend(TSimHandle Asocket) noexcept
{
    ::shutdown(Asocket, SD_SEND);
}

void simResetOnClose(TSimHandle Asocket) noexcept
{
    const linger abort{1, 0};
    ::setsockopt(Asocket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
}

std::string simLastErrorText()
{
    std::string text = ecr17::detail::describeWinsockError(::WSAGetLastError());
    if (!text.empty() && text.back() == '.')
        text.pop_back(); // the POSIX build's strerror texts end without one
    return text;
}

TSimFd simTcpSocket()
{
    simStartWinsock();
    TSimFd socket(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
    if (!socket)
        simFailLast("socket");
    return socket;
}

void simReusePort(TSimHandle Alistener) noexcept
{
    // Windows's SO_REUSEADDR would let a second listener take the port too;
    // a restarted listener gets it again anyway.
    const BOOL on = TRUE;
    ::setsockopt(Alistener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
}

void simFailLast(const std::string& Awhat)
{
    throw std::system_error(::WSAGetLastError(), std::system_category(), Awhat);
}
