// An owned socket (on POSIX, any file descriptor) and the simulator's stop
// signal. Their platform parts are in SimFdPosix.cpp and SimFdWin.cpp.
#pragma once

#include <cstdint>
#include <utility>

#ifdef _WIN32
using TSimHandle = std::uintptr_t; // SOCKET
#else
using TSimHandle = int;
#endif
// INVALID_SOCKET on Windows, -1 elsewhere.
inline constexpr TSimHandle kSimNoHandle = static_cast<TSimHandle>(-1);

// Closes its handle when released; movable, not copyable.
class TSimFd {
public:
    TSimFd() noexcept = default;
    explicit TSimFd(TSimHandle Afd) noexcept : Ffd(Afd) {}
    TSimFd(TSimFd&& Aother) noexcept : Ffd(std::exchange(Aother.Ffd, kSimNoHandle)) {}
    TSimFd& operator=(TSimFd&& Aother) noexcept
    {
        if (this != &Aother) {
            reset();
            Ffd = std::exchange(Aother.Ffd, kSimNoHandle);
        }
        return *this;
    }
    TSimFd(const TSimFd&) = delete;
    TSimFd& operator=(const TSimFd&) = delete;
    ~TSimFd() { reset(); }

    TSimHandle get() const noexcept { return Ffd; }
    explicit operator bool() const noexcept { return Ffd != kSimNoHandle; }
    void reset() noexcept;

private:
    TSimHandle Ffd = kSimNoHandle;
};

// A handle that becomes readable for good once raised: every wait of the
// simulator includes it, so a stop request ends any wait at once. An eventfd
// on Linux; on Windows, where a wait takes sockets only, a UDP socket that
// sends itself one datagram and never reads it.
class TSimStopSignal {
public:
    TSimStopSignal();
    TSimHandle fd() const noexcept { return Ffd.get(); }
    void raise() noexcept;

private:
    TSimFd Ffd;
};
