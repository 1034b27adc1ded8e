// The socket calls on POSIX (see TcpSocket.h).
#include "TcpSocket.h"

#include "MonotonicClock.h"
#include "TransportErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ecr17::detail {

namespace {

[[noreturn]] void throwErrno(int Aerrno)
{
    throw ESocketError(Aerrno, describeErrno(Aerrno));
}

// A dotted IPv4 address as it stands, anything else through the resolver.
in_addr resolveIPv4(const std::string& Ahost)
{
    in_addr address{};
    if (inet_pton(AF_INET, Ahost.c_str(), &address) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(Ahost.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr) {
        // The resolver's codes are negative on this platform; the message shows
        // their magnitude.
        throw ESocketError(rc < 0 ? -rc : rc, "Host not found.");
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

bool isPeerClose(int Aerrno)
{
    return Aerrno == ECONNRESET || Aerrno == ECONNABORTED || Aerrno == EPIPE || Aerrno == ESHUTDOWN
        || Aerrno == ENOTCONN;
}

// poll() for Aevents, restarted after a signal with the time that is left;
// false when the time ran out.
bool waitFor(int Asocket, short Aevents, int AtimeoutMs)
{
    const std::int64_t deadline = monotonicNs() + std::int64_t{AtimeoutMs} * 1'000'000;
    int remaining = AtimeoutMs;
    for (;;) {
        pollfd pfd{Asocket, Aevents, 0};
        const int rc = poll(&pfd, 1, remaining);
        if (rc >= 0)
            return rc > 0;
        if (errno != EINTR)
            throwErrno(errno);
        const std::int64_t left = (deadline - monotonicNs()) / 1'000'000;
        remaining = left > 0 ? static_cast<int>(left) : 0;
    }
}

// Connects within AtimeoutMs: a terminal that is switched off, or SYNs that
// are dropped, would otherwise keep the caller for the system's minutes.
// Returns 0 or the errno of the failure (ETIMEDOUT when the time ran out).
int connectWithin(int Asocket, const sockaddr_in& Apeer, int AtimeoutMs)
{
    const int flags = ::fcntl(Asocket, F_GETFL);
    if (flags < 0 || ::fcntl(Asocket, F_SETFL, flags | O_NONBLOCK) < 0)
        return errno;
    int error = 0;
    if (::connect(Asocket, reinterpret_cast<const sockaddr*>(&Apeer), sizeof Apeer) < 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            socklen_t length = sizeof error;
            if (!waitFor(Asocket, POLLOUT, AtimeoutMs))
                error = ETIMEDOUT;
            else if (::getsockopt(Asocket, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
                error = errno;
        }
    }
    // A peer that accepted and closed or reset again before this wait looked
    // is a connection made: what it sent stays readable, and the read that
    // follows finds the close, as after a connect that had returned at once.
    if (isPeerClose(error) && error != ENOTCONN)
        error = 0;
    // Writes block until the platform has taken every byte.
    if (error == 0 && ::fcntl(Asocket, F_SETFL, flags) < 0)
        error = errno;
    return error;
}

} // namespace

TSocketHandle socketConnect(const std::string& Ahost, std::uint16_t Aport, int AtimeoutMs)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(Aport);
    peer.sin_addr = resolveIPv4(Ahost);

    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0)
        throwErrno(errno);
    // Frames are small and every one waits for an answer: never hold one back.
    const int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int error = connectWithin(s, peer, AtimeoutMs);
    if (error != 0) {
        ::close(s);
        throwErrno(error);
    }
    return s;
}

std::ptrdiff_t socketReadNow(TSocketHandle Asocket, char* Abuffer, std::size_t Asize)
{
    for (;;) {
        const ssize_t got = ::recv(Asocket, Abuffer, Asize, MSG_DONTWAIT);
        if (got > 0)
            return got;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        if (got < 0 && !isPeerClose(errno))
            throwErrno(errno);
        return -1;
    }
}

void socketSendAll(TSocketHandle Asocket, std::string_view Abytes)
{
    while (!Abytes.empty()) {
        const ssize_t n = ::send(Asocket, Abytes.data(), Abytes.size(), MSG_NOSIGNAL);
        if (n >= 0)
            Abytes.remove_prefix(static_cast<std::size_t>(n));
        else if (errno != EINTR)
            throwErrno(errno);
    }
}

bool socketWaitReadable(TSocketHandle Asocket, int AtimeoutMs)
{
    return waitFor(Asocket, POLLIN, AtimeoutMs);
}

void socketShutdownSend(TSocketHandle Asocket) noexcept
{
    ::shutdown(Asocket, SHUT_WR);
}

void socketClose(TSocketHandle Asocket) noexcept
{
    ::close(Asocket);
}

} // namespace ecr17::detail
