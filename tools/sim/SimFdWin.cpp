#include "SimFd.h"
#include "SimWinsock.h"

#include <system_error>

void simStartWinsock()
{
    static const int started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0)
        throw std::system_error(started, std::system_category(), "WSAStartup");
}

void TSimFd::reset() noexcept
{
    if (Ffd != kSimNoHandle)
        ::closesocket(Ffd);
    Ffd = kSimNoHandle;
}

TSimStopSignal::TSimStopSignal()
{
    simStartWinsock();
    Ffd = TSimFd(::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    // Bound to a free loopback port and connected to itself: a datagram it
    // sends arrives on it and is never read.
    if (!Ffd || ::bind(Ffd.get(), reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0
        || ::getsockname(Ffd.get(), reinterpret_cast<sockaddr*>(&self), &length) != 0
        || ::connect(Ffd.get(), reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0)
        throw std::system_error(::WSAGetLastError(), std::system_category(), "stop signal");
}

void TSimStopSignal::raise() noexcept
{
    const char one = 1;
    ::send(Ffd.get(), &one, 1, 0);
}
