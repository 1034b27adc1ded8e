#include "SimFd.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

void TSimFd::reset() noexcept
{
    if (Ffd != kSimNoHandle)
        ::close(Ffd);
    Ffd = kSimNoHandle;
}

TSimStopSignal::TSimStopSignal() : Ffd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!Ffd)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

void TSimStopSignal::raise() noexcept
{
    // The counter is never read back, so the descriptor stays readable.
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(Ffd.get(), &one, sizeof one);
}
