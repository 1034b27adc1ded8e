// A port on 127.0.0.1 that is bound but not listening: a connect is refused.
#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TRefusingPort {
public:
    TRefusingPort() : Fsocket(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(Fsocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(Fsocket, reinterpret_cast<sockaddr*>(&address), &length);
        Fport = ntohs(address.sin_port);
    }
    ~TRefusingPort() { ::close(Fsocket); }
    std::uint16_t port() const { return Fport; }

private:
    int Fsocket;
    std::uint16_t Fport = 0;
};
