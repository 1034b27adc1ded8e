// What the simulator reports to an observer while it serves a connection.
#pragma once

#include <cstddef>
#include <string>

struct TSimEvent {
    enum class Kind {
        Accepted,  // a client connected
        Received,  // a piece of bytes arrived (bytes: the piece)
        Sent,      // bytes were written (bytes: what was written in one piece)
        Closed,    // the connection ended (bytes: why)
    };
    Kind kind;
    std::size_t connection;  // 1 for the first connection served
    std::string bytes;
};

// Receives every event of one connection; the server records them.
class ISimRecorder {
public:
    virtual ~ISimRecorder() = default;
    virtual void received(std::string_view Apiece) = 0;
    virtual void frameRead(std::string_view Aframe) = 0;
    virtual void sent(std::string_view Abytes) = 0;
};
