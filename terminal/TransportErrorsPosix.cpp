#include "TransportErrors.h"

#include <cstring>

namespace ecr17::detail {

std::string describeErrno(int Aerrno)
{
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling buffer.
    const char* text = strerror_r(Aerrno, buffer, sizeof buffer);
    return std::string(text) + ".";
}

} // namespace ecr17::detail
