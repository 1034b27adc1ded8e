// A port on 127.0.0.1 that is bound but not listening: a connect is refused.
#pragma once

#include "SimListener.h"

#include <cstdint>

class TRefusingPort {
public:
    TRefusingPort() : Fsocket(simBindOnly("127.0.0.1")), Fport(simLocalPort(Fsocket.get())) {}
    std::uint16_t port() const { return Fport; }

private:
    TSimFd Fsocket;
    std::uint16_t Fport;
};
