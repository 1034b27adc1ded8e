#include "WindowsErrors.h"

#include <winsock2.h>

#include <iterator>

namespace ecr17::detail {

namespace {

struct TWinsockText {
    int code;
    const char* text;
};

// The codes a TCP client meets; anything else gets the system's own text.
constexpr TWinsockText kTexts[] = {
    {WSAEINTR, "Interrupted system call."},
    {WSAEBADF, "Bad file descriptor."},
    {WSAEACCES, "Permission denied."},
    {WSAEFAULT, "Bad address."},
    {WSAEINVAL, "Invalid argument."},
    {WSAEMFILE, "Too many open files."},
    {WSAEWOULDBLOCK, "Resource temporarily unavailable."},
    {WSAEINPROGRESS, "Operation now in progress."},
    {WSAEALREADY, "Operation already in progress."},
    {WSAENOTSOCK, "Socket operation on non-socket."},
    {WSAEMSGSIZE, "Message too long."},
    {WSAEADDRINUSE, "Address already in use."},
    {WSAEADDRNOTAVAIL, "Cannot assign requested address."},
    {WSAENETDOWN, "Network is down."},
    {WSAENETUNREACH, "Network is unreachable."},
    {WSAENETRESET, "Network dropped connection on reset."},
    {WSAECONNABORTED, "Software caused connection abort."},
    {WSAECONNRESET, "Connection reset by peer."},
    {WSAENOBUFS, "No buffer space available."},
    {WSAEISCONN, "Transport endpoint is already connected."},
    {WSAENOTCONN, "Transport endpoint is not connected."},
    {WSAESHUTDOWN, "Cannot send after transport endpoint shutdown."},
    {WSAETIMEDOUT, "Connection timed out."},
    {WSAECONNREFUSED, "Connection refused."},
    {WSAEHOSTDOWN, "Host is down."},
    {WSAEHOSTUNREACH, "No route to host."},
    {WSASYSNOTREADY, "Network subsystem is unavailable."},
    {WSAVERNOTSUPPORTED, "Winsock version not supported."},
    {WSANOTINITIALISED, "Winsock not initialized."},
    {WSAHOST_NOT_FOUND, "Host not found."},
    {WSATRY_AGAIN, "Non-authoritative host not found."},
    {WSANO_RECOVERY, "Non-recoverable error."},
    {WSANO_DATA, "Valid name, no data record of requested type."},
};

} // namespace

std::string describeWindowsError(unsigned long Acode)
{
    char buffer[512] = {};
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                          Acode, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        return "Unknown error " + std::to_string(Acode) + ".";
    return text.back() == '.' ? text : text + ".";
}

std::string describeWinsockError(int Acode)
{
    for (const TWinsockText& entry : kTexts)
        if (entry.code == Acode)
            return entry.text;
    return describeWindowsError(static_cast<unsigned long>(Acode));
}

} // namespace ecr17::detail
