#include "BenchSocket.h"

#include "SimFrames.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void throwErrno(const char* Awhat)
{
    throw std::system_error(errno, std::generic_category(), Awhat);
}

// True when Afd has bytes (or its end) before AstopFd is signalled.
bool waitReadable(int Afd, int AstopFd)
{
    pollfd fds[2] = {{Afd, POLLIN, 0}, {AstopFd, POLLIN, 0}};
    while (::poll(fds, AstopFd >= 0 ? 2 : 1, -1) < 0)
        if (errno != EINTR)
            throwErrno("poll");
    return (fds[1].revents & POLLIN) == 0;
}

} // namespace

TSocket::~TSocket()
{
    if (Ffd >= 0)
        ::close(Ffd);
}

TSocket& TSocket::operator=(TSocket&& Aother) noexcept
{
    if (this != &Aother) {
        if (Ffd >= 0)
            ::close(Ffd);
        Ffd = Aother.release();
    }
    return *this;
}

int TSocket::release() noexcept
{
    const int fd = Ffd;
    Ffd = -1;
    return fd;
}

void setNoDelay(int Afd)
{
    const int on = 1;
    if (::setsockopt(Afd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) < 0)
        throwErrno("setsockopt");
}

TSocket connectLoopback(std::uint16_t Aport)
{
    TSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (s.fd() < 0)
        throwErrno("socket");
    setNoDelay(s.fd());
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(Aport);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) < 0)
        throwErrno("connect");
    return s;
}

void sendAll(int Afd, std::string_view Abytes)
{
    while (!Abytes.empty()) {
        const ssize_t n = ::send(Afd, Abytes.data(), Abytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throwErrno("send");
        Abytes.remove_prefix(static_cast<size_t>(n));
    }
}

std::optional<std::string> readFrame(int Afd, std::string& Abuffer, int AstopFd)
{
    char chunk[4096];
    for (;;) {
        if (auto frame = simTakeFrame(Abuffer))
            return frame;
        if (AstopFd >= 0 && !waitReadable(Afd, AstopFd))
            return std::nullopt;
        const ssize_t got = ::recv(Afd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno != ECONNRESET)
            throwErrno("recv");
        if (got <= 0)
            return std::nullopt;
        Abuffer.append(chunk, static_cast<size_t>(got));
    }
}
