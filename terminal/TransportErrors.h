// Errors of the TCP transport. Their what() texts are what callers and the
// log see, so they are part of the interface.
#pragma once

#include <stdexcept>
#include <string>

namespace ecr17::detail {

// "Already connected.", "A Host is required", "A Port is required".
class ETransportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The peer closed (or reset) the connection and nothing is left to read:
// "Connection Closed Gracefully.".
class EConnClosedGracefully : public ETransportError {
public:
    EConnClosedGracefully();
};

// A failed resolution, connect, send or read: "Socket Error # " + number +
// CR LF + description.
class ESocketError : public ETransportError {
public:
    ESocketError(int AerrorCode, const std::string& Adescription);
    int errorCode() const noexcept { return FerrorCode; }

private:
    int FerrorCode;
};

// The description of errno value Aerrno as a sentence ("Connection refused.");
// POSIX only (Windows: describeWinsockError in WindowsErrors.h).
std::string describeErrno(int Aerrno);

} // namespace ecr17::detail
