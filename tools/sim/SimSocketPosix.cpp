#include "SimSocket.h"
#include "SimSocketApi.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <system_error>

TSimReady simWait(TSimHandle Asocket, bool Awritable, const TSimStopSignal& Astop, int AtimeoutMs)
{
    pollfd fds[2] = {{Astop.fd(), POLLIN, 0}, {Asocket, short(Awritable ? POLLOUT : POLLIN), 0}};
    const nfds_t watched = Asocket == kSimNoHandle ? 1 : 2;
    int rc;
    do {
        rc = ::poll(fds, watched, AtimeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return TSimReady::Failed;
    if (fds[0].revents != 0)
        return TSimReady::Stopped;
    return rc == 0 ? TSimReady::TimedOut : TSimReady::Socket;
}

TSimFd simAccept(TSimHandle Alistener)
{
    return TSimFd(::accept4(Alistener, nullptr, nullptr, SOCK_CLOEXEC));
}

void simSetNoDelay(TSimHandle Asocket) noexcept
{
    const int on = 1;
    ::setsockopt(Asocket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

std::ptrdiff_t simSend(TSimHandle Asocket, std::string_view Abytes, bool AdontWait)
{
    for (;;) {
        const auto n = ::send(Asocket, Abytes.data(), Abytes.size(), MSG_NOSIGNAL | (AdontWait ? MSG_DONTWAIT : 0));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        return AdontWait && (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    }
}

std::ptrdiff_t simRecv(TSimHandle Asocket, char* Abuffer, std::size_t Asize)
{
    ssize_t n;
    do {
        n = ::recv(Asocket, Abuffer, Asize, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

void simShutdownSend(TSimHandle Asocket) noexcept
{
    ::shutdown(Asocket, SHUT_WR);
}

void simResetOnClose(TSimHandle Asocket) noexcept
{
    const linger abort{1, 0};
    ::setsockopt(Asocket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

std::string simLastErrorText()
{
    return std::strerror(errno);
}

TSimFd simTcpSocket()
{
    TSimFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket)
        simFailLast("socket");
    return socket;
}

void simReusePort(TSimHandle Alistener) noexcept
{
    const int on = 1;
    ::setsockopt(Alistener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

void simFailLast(const std::string& Awhat)
{
    throw std::system_error(errno, std::generic_category(), Awhat);
}
