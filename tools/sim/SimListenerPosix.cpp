#include "SimListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace {

[[noreturn]] void fail(const std::string& Awhat)
{
    throw std::system_error(errno, std::generic_category(), Awhat);
}

sockaddr_in addressOf(const std::string& Ahost, std::uint16_t Aport)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Aport);
    if (::inet_pton(AF_INET, Ahost.c_str(), &address.sin_addr) != 1)
        throw std::invalid_argument("not an IPv4 address: " + Ahost);
    return address;
}

} // namespace

TSimFd simListen(const std::string& Ahost, std::uint16_t Aport)
{
    const sockaddr_in address = addressOf(Ahost, Aport);
    TSimFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener)
        fail("socket");
    const int on = 1;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("bind " + Ahost + ":" + std::to_string(Aport));
    if (::listen(listener.get(), 8) != 0)
        fail("listen");
    return listener;
}

TSimFd simBindOnly(const std::string& Ahost)
{
    const sockaddr_in address = addressOf(Ahost, 0);
    TSimFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket)
        fail("socket");
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("bind " + Ahost);
    return socket;
}

std::uint16_t simLocalPort(TSimHandle Asocket)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(Asocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        fail("getsockname");
    return ntohs(address.sin_port);
}

TSimFd simFillListenQueue(TSimHandle Alistener, const std::string& Ahost, std::uint16_t Aport)
{
    if (::listen(Alistener, 0) != 0)
        fail("listen");
    const sockaddr_in address = addressOf(Ahost, Aport);
    TSimFd filler(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!filler)
        fail("socket");
    if (::connect(filler.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("connect " + Ahost + ":" + std::to_string(Aport));
    return filler;
}
