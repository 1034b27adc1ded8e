#include "RawClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int readLimitMs = 5000;

// One read after waiting up to the limit: bytes (> 0), 0 at the end of the
// stream or when the time ran out, -1 on a failure.
int readSome(SOCKET Asocket, char* Abuffer, std::size_t Asize)
{
    WSAPOLLFD p{Asocket, POLLRDNORM, 0};
    if (::WSAPoll(&p, 1, readLimitMs) <= 0)
        return 0;
    return ::recv(Asocket, Abuffer, static_cast<int>(Asize), 0);
}

} // namespace

TRawClient::TRawClient(std::uint16_t Aport)
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    Ffd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
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
        ::closesocket(Ffd);
    Ffd = kSimNoHandle;
}

void TRawClient::send(std::string_view Abytes)
{
    if (::send(Ffd, Abytes.data(), static_cast<int>(Abytes.size()), 0) != static_cast<int>(Abytes.size()))
        throw std::runtime_error("send failed");
}

std::string TRawClient::read(std::size_t Acount)
{
    std::string got;
    char buffer[4096];
    while (got.size() < Acount) {
        const int n = readSome(Ffd, buffer, std::min(sizeof buffer, Acount - got.size()));
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string TRawClient::readToEnd(bool* Areset)
{
    std::string got;
    char buffer[4096];
    for (;;) {
        const int n = readSome(Ffd, buffer, sizeof buffer);
        if (n <= 0) {
            if (Areset)
                *Areset = n < 0 && ::WSAGetLastError() == WSAECONNRESET;
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}
