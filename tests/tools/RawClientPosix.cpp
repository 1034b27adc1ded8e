#include "RawClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {
constexpr int readLimitMs = 5000;
}

TRawClient::TRawClient(std::uint16_t Aport) : Ffd(::socket(AF_INET, SOCK_STREAM, 0))
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Aport);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(Ffd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("connect failed");
}

TRawClient::~TRawClient()
{
    close();
}

void TRawClient::close()
{
    if (Ffd != kSimNoHandle)
        ::close(Ffd);
    Ffd = kSimNoHandle;
}

void TRawClient::send(std::string_view Abytes)
{
    if (::send(Ffd, Abytes.data(), Abytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Abytes.size()))
        throw std::runtime_error("send failed");
}

std::string TRawClient::read(std::size_t Acount)
{
    std::string got;
    while (got.size() < Acount) {
        pollfd p{Ffd, POLLIN, 0};
        if (::poll(&p, 1, readLimitMs) <= 0)
            break;
        char buffer[4096];
        const auto n = ::recv(Ffd, buffer, std::min(sizeof buffer, Acount - got.size()), 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string TRawClient::readToEnd(bool* Areset)
{
    std::string got;
    for (;;) {
        pollfd p{Ffd, POLLIN, 0};
        if (::poll(&p, 1, readLimitMs) <= 0)
            break;
        char buffer[4096];
        const auto n = ::recv(Ffd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            if (Areset)
                *Areset = n < 0 && errno == ECONNRESET;
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}
