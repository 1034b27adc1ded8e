#include "SimListener.h"

#include "SimSocketApi.h"

#include <stdexcept>

namespace {

sockaddr_in addressOf(const std::string& Ahost, std::uint16_t Aport)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Aport);
    if (::inet_pton(AF_INET, Ahost.c_str(), &address.sin_addr) != 1)
        throw std::invalid_argument("not an IPv4 address: " + Ahost);
    return address;
}

void bindTo(TSimHandle Asocket, const std::string& Ahost, std::uint16_t Aport)
{
    const sockaddr_in address = addressOf(Ahost, Aport);
    if (::bind(Asocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        simFailLast("bind " + Ahost + ":" + std::to_string(Aport));
}

} // namespace

TSimFd simListen(const std::string& Ahost, std::uint16_t Aport)
{
    TSimFd listener = simTcpSocket();
    simReusePort(listener.get());
    bindTo(listener.get(), Ahost, Aport);
    if (::listen(listener.get(), 8) != 0)
        simFailLast("listen");
    return listener;
}

TSimFd simBindOnly(const std::string& Ahost)
{
    TSimFd socket = simTcpSocket();
    bindTo(socket.get(), Ahost, 0);
    return socket;
}

std::uint16_t simLocalPort(TSimHandle Asocket)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(Asocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        simFailLast("getsockname");
    return ntohs(address.sin_port);
}

TSimFd simFillListenQueue(TSimHandle Alistener, const std::string& Ahost, std::uint16_t Aport)
{
    if (::listen(Alistener, 0) != 0)
        simFailLast("listen");
    const sockaddr_in address = addressOf(Ahost, Aport);
    TSimFd filler = simTcpSocket();
    if (::connect(filler.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        simFailLast("connect " + Ahost + ":" + std::to_string(Aport));
    return filler;
}
