// An owned POSIX file descriptor and the simulator's stop signal.
#pragma once

#include <utility>

// Closes its descriptor when released; movable, not copyable.
class TSimFd {
public:
    TSimFd() noexcept = default;
    explicit TSimFd(int Afd) noexcept : Ffd(Afd) {}
    TSimFd(TSimFd&& Aother) noexcept : Ffd(std::exchange(Aother.Ffd, -1)) {}
    TSimFd& operator=(TSimFd&& Aother) noexcept;
    TSimFd(const TSimFd&) = delete;
    TSimFd& operator=(const TSimFd&) = delete;
    ~TSimFd() { reset(); }

    int get() const noexcept { return Ffd; }
    explicit operator bool() const noexcept { return Ffd >= 0; }
    void reset() noexcept;

private:
    int Ffd = -1;
};

// An eventfd that becomes readable for good once raised: every poll of the
// simulator includes it, so a stop request ends any wait at once.
class TSimStopSignal {
public:
    TSimStopSignal();
    int fd() const noexcept { return Ffd.get(); }
    void raise() noexcept;

private:
    TSimFd Ffd;
};
