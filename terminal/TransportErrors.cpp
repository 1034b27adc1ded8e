#include "TransportErrors.h"

namespace ecr17::detail {

EConnClosedGracefully::EConnClosedGracefully() : ETransportError("Connection Closed Gracefully.") {}

ESocketError::ESocketError(int AerrorCode, const std::string& Adescription)
    : ETransportError("Socket Error # " + std::to_string(AerrorCode) + "\r\n" + Adescription),
      FerrorCode(AerrorCode)
{
}

} // namespace ecr17::detail
