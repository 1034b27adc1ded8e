#include "TcpConnection.h"

#include "LinkConstants.h"
#include "MonotonicClock.h"
#include "TextConvert.h"
#include "TransportErrors.h"
#include "WireEncoding.h"

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

// How long a successful socket operation stands for a check of the socket.
constexpr std::int64_t quietTrustNs = 1'000'000;

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
    // A peer that accepted and closed again before this wait looked is a
    // connection made: the read that follows finds the close, as it would
    // after a connect that had returned at once.
    if (isPeerClose(error) && error != ENOTCONN)
        error = 0;
    // Writes block until the platform has taken every byte.
    if (error == 0 && ::fcntl(Asocket, F_SETFL, flags) < 0)
        error = errno;
    return error;
}

} // namespace

TTcpConnection::~TTcpConnection()
{
    releaseSocket();
}

void TTcpConnection::releaseSocket() noexcept
{
    FquietUntil = 0;
    if (FSocket >= 0)
        ::close(FSocket);
    FSocket = -1;
}

bool TTcpConnection::Connected()
{
    if (FState == TState::Open && monotonicNs() >= FquietUntil)
        readAvailable();
    return FState == TState::Open || (FState == TState::ClosedByPeer && !FInput.empty());
}

void TTcpConnection::readAvailable()
{
    char chunk[kMaxReadBytes];
    for (;;) {
        const ssize_t got = ::recv(FSocket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got > 0) {
            FInput.append(chunk, static_cast<size_t>(got));
            FquietUntil = monotonicNs() + quietTrustNs;
            return;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (got < 0 && !isPeerClose(errno)) {
            // A broken socket is closed here: nothing else would close it.
            const int error = errno;
            releaseSocket();
            FState = TState::Closed;
            throwErrno(error);
        }
        releaseSocket();
        FState = TState::ClosedByPeer;
        return;
    }
}

void TTcpConnection::Connect()
{
    if (Connected())
        throw ETransportError("Already connected.");
    if (Host().empty())
        throw ETransportError("A Host is required");
    if (Port() == 0)
        throw ETransportError("A Port is required");

    releaseSocket();
    FState = TState::Closed;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(Port());
    peer.sin_addr = resolveIPv4(textToUtf8(Host()));

    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0)
        throwErrno(errno);
    // Frames are small and every one waits for an answer: never hold one back.
    const int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int error = connectWithin(s, peer, FconnectTimeoutMs);
    if (error != 0) {
        ::close(s);
        throwErrno(error);
    }
    FSocket = s;
    FInput.clear();
    FState = TState::Open;
    fireConnected();
}

void TTcpConnection::Write(std::u16string_view AText)
{
    if (FState == TState::ClosedByPeer)
        throw EConnClosedGracefully();
    if (FState != TState::Open)
        throw ETransportError("Not connected.");
    const std::string bytes = encodeWire(AText);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(FSocket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<size_t>(n);
            FquietUntil = monotonicNs() + quietTrustNs;
            continue;
        }
        if (errno == EINTR)
            continue;
        const int error = errno;
        releaseSocket();
        FState = TState::Closed;
        throwErrno(error);
    }
}

void TTcpConnection::CheckForDataOnSource(int ATimeoutMs)
{
    // poll() returns at once when bytes or the peer's close are already
    // waiting, so it finds what a Connected() read first would move; that read
    // would cost one more system call on every tick, also while idle.
    if (FState != TState::Open)
        return;
    if (waitFor(FSocket, POLLIN, ATimeoutMs))
        readAvailable();
    else
        FquietUntil = monotonicNs() + quietTrustNs;
}

void TTcpConnection::CheckForDisconnect(bool ARaise, bool AIgnoreBuffer)
{
    const bool gone = FState == TState::ClosedByPeer || FSocket < 0;
    if (gone && ARaise && (FInput.empty() || AIgnoreBuffer))
        throw EConnClosedGracefully();
}

std::u16string TTcpConnection::ReadString(std::size_t ACount)
{
    const size_t count = ACount < FInput.size() ? ACount : FInput.size();
    std::u16string text = decodeWire(std::string_view(FInput).substr(0, count));
    FInput.erase(0, count);
    return text;
}

void TTcpConnection::Disconnect()
{
    FInput.clear();
    if (FState != TState::Open) {
        FState = TState::Closed;
        return;
    }
    ::shutdown(FSocket, SHUT_WR);
    releaseSocket();
    FState = TState::Closed;
    fireDisconnected();
}

} // namespace ecr17::detail
