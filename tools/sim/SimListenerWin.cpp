#include "SimListener.h"
#include "SimWinsock.h"

#include <stdexcept>
#include <system_error>

namespace {

[[noreturn]] void fail(const std::string& Awhat)
{
    throw std::system_error(::WSAGetLastError(), std::system_category(), Awhat);
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

TSimFd tcpSocket()
{
    simStartWinsock();
    TSimFd socket(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
    if (!socket)
        fail("socket");
    return socket;
}

} // namespace

TSimFd simListen(const std::string& Ahost, std::uint16_t Aport)
{
    const sockaddr_in address = addressOf(Ahost, Aport);
    TSimFd listener = tcpSocket();
    // Windows's SO_REUSEADDR would let a second simulator take the port:
    // exclusive use instead, as a POSIX listener has.
    const BOOL on = TRUE;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("bind " + Ahost + ":" + std::to_string(Aport));
    if (::listen(listener.get(), 8) != 0)
        fail("listen");
    return listener;
}

TSimFd simBindOnly(const std::string& Ahost)
{
    const sockaddr_in address = addressOf(Ahost, 0);
    TSimFd socket = tcpSocket();
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("bind " + Ahost);
    return socket;
}

std::uint16_t simLocalPort(TSimHandle Asocket)
{
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(Asocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        fail("getsockname");
    return ntohs(address.sin_port);
}

TSimFd simFillListenQueue(TSimHandle Alistener, const std::string& Ahost, std::uint16_t Aport)
{
    if (::listen(Alistener, 0) != 0)
        fail("listen");
    const sockaddr_in address = addressOf(Ahost, Aport);
    TSimFd filler = tcpSocket();
    if (::connect(filler.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("connect " + Ahost + ":" + std::to_string(Aport));
    return filler;
}
