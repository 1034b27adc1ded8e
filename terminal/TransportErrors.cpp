#include "TransportErrors.h"

#include <cstring>

namespace ecr17::detail {

EConnClosedGracefully::EConnClosedGracefully() : ETransportError("Connection Closed Gracefully.") {}

ESocketError::ESocketError(int AerrorCode, const std::string& Adescription)
    : ETransportError("Socket Error # " + std::to_string(AerrorCode) + "\r\n" + Adescription),
      FerrorCode(AerrorCode)
{
}

std::string describeErrno(int Aerrno)
{
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling buffer.
    const char* text = strerror_r(Aerrno, buffer, sizeof buffer);
    return std::string(text) + ".";
}

} // namespace ecr17::detail
