// A bare TCP client for talking to the simulator byte by byte.
#pragma once

#include "SimFd.h"

#include <cstdint>
#include <string>
#include <string_view>

class TRawClient {
public:
    explicit TRawClient(std::uint16_t Aport);
    ~TRawClient();
    TRawClient(const TRawClient&) = delete;
    TRawClient& operator=(const TRawClient&) = delete;

    void send(std::string_view Abytes);
    // Reads until Acount bytes have come, the peer closed or 5 s passed.
    std::string read(std::size_t Acount);
    // Reads until the peer closes (or 5 s pass); how it ended goes to Areset.
    std::string readToEnd(bool* Areset = nullptr);
    void close();

private:
    TSimHandle Ffd = kSimNoHandle;
};
