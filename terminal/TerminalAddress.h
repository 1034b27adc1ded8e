// Where the link connects: the terminal's host and port. The owner may set
// them while an asynchronous payment's worker connects, so both are read
// and written together under a lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace ecr17::detail {

struct TEndpoint {
    std::u16string host;
    std::uint16_t port = 0;
};

class TTerminalAddress {
public:
    TEndpoint endpoint() const
    {
        std::lock_guard lock(Flock);
        return Fendpoint;
    }
    void setHost(std::u16string Ahost)
    {
        std::lock_guard lock(Flock);
        Fendpoint.host = std::move(Ahost);
    }
    void setPort(std::uint16_t Aport)
    {
        std::lock_guard lock(Flock);
        Fendpoint.port = Aport;
    }

private:
    mutable std::mutex Flock;
    TEndpoint Fendpoint;
};

} // namespace ecr17::detail
