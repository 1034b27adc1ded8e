// POSIX: the file is opened non-blocking, so that a full pipe is waited for
// in poll() with a deadline instead of in a write that may never return.
#include "LogFileWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace ecr17::detail {

namespace {

int openForAppend(const std::string& APath) noexcept
{
    return ::open(APath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
}

// Waits until AFd takes bytes again, at most 100 ms at a time so that a later
// deadline is seen; false once the deadline has passed.
bool waitWritable(int AFd, const std::atomic<std::int64_t>& AGiveUpAtNs) noexcept
{
    const std::int64_t left = AGiveUpAtNs.load(std::memory_order_relaxed) - logSteadyNs();
    if (left <= 0)
        return false;
    pollfd p{AFd, POLLOUT, 0};
    ::poll(&p, 1, int(std::min<std::int64_t>(left / 1'000'000 + 1, 100)));
    return true;
}

// A write of at most PIPE_BUF bytes to a pipe goes in whole or not at all:
// the longest run of whole lines within that size, or one longer line.
std::string_view unbrokenPiece(std::string_view AData) noexcept
{
    const std::size_t end = AData.substr(0, PIPE_BUF).rfind('\n');
    if (end != std::string_view::npos)
        return AData.substr(0, end + 1);
    const std::size_t lineEnd = AData.find('\n');
    return lineEnd == std::string_view::npos ? AData : AData.substr(0, lineEnd + 1);
}

std::size_t wholeLines(std::string_view AData) noexcept
{
    const std::size_t end = AData.rfind('\n');
    return end == std::string_view::npos ? 0 : end + 1;
}

thread_local int tThreadId = 0;

void forgetThreadId() noexcept
{
    tThreadId = 0; // the forking thread has a new id in the child
}

} // namespace

std::unique_ptr<TLogFileWriter> TLogFileWriter::open(const std::string& APath)
{
    const int fd = openForAppend(APath);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<TLogFileWriter> writer(new TLogFileWriter(APath, fd));
    if (!writer->replaceBy(fd))
        return nullptr;
    return writer;
}

TLogFileWriter::TLogFileWriter(std::string APath, int AFd) noexcept : FPath(std::move(APath)), FFd(AFd) {}

TLogFileWriter::~TLogFileWriter()
{
    ::close(FFd);
}

// Makes AFd the open file, closing the one before.
bool TLogFileWriter::replaceBy(int AFd) noexcept
{
    struct stat st {};
    if (::fstat(AFd, &st) != 0) {
        if (AFd != FFd)
            ::close(AFd);
        return false;
    }
    if (AFd != FFd)
        ::close(FFd);
    FFd = AFd;
    FSeekable = S_ISREG(st.st_mode);
    return true;
}

std::size_t TLogFileWriter::append(std::string_view AData, const std::atomic<std::int64_t>& AGiveUpAtNs) noexcept
{
    std::size_t done = 0;
    while (done < AData.size()) {
        const std::string_view rest = AData.substr(done);
        const std::string_view piece = FSeekable ? rest : unbrokenPiece(rest);
        const ssize_t n = ::write(FFd, piece.data(), piece.size());
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitWritable(FFd, AGiveUpAtNs))
            continue;
        break; // full disk, size limit, broken pipe, deadline
    }
    return done == AData.size() ? done : takeBackPartialLine(AData, done);
}

// After a short write, cuts the broken line off the end of the file, unless
// someone else has appended since; returns the bytes of whole lines written.
std::size_t TLogFileWriter::takeBackPartialLine(std::string_view AData, std::size_t AWritten) noexcept
{
    const std::size_t whole = wholeLines(AData.substr(0, AWritten));
    if (whole == AWritten || !FSeekable)
        return whole;
    // With O_APPEND the offset is the end of what this write added.
    const off_t end = ::lseek(FFd, 0, SEEK_CUR);
    struct stat st {};
    if (end >= 0 && ::fstat(FFd, &st) == 0 && st.st_size == end)
        (void)::ftruncate(FFd, end - off_t(AWritten - whole));
    return whole;
}

void TLogFileWriter::followName(bool ACheckName) noexcept
{
    struct stat open {};
    if (::fstat(FFd, &open) != 0)
        return;
    bool moved = open.st_nlink == 0;
    if (!moved && ACheckName) {
        struct stat named {};
        moved = ::stat(FPath.c_str(), &named) != 0 || named.st_dev != open.st_dev || named.st_ino != open.st_ino;
    }
    if (!moved)
        return;
    const int fd = openForAppend(FPath);
    if (fd >= 0)
        replaceBy(fd);
}

std::int64_t logWallClockNs() noexcept
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t logSteadyNs() noexcept
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int logProcessId() noexcept
{
    return int(::getpid());
}

int logThreadId() noexcept
{
    if (tThreadId == 0)
        tThreadId = int(::syscall(SYS_gettid));
    return tThreadId;
}

void logBlockWriteSignals() noexcept
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    sigaddset(&set, SIGXFSZ);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void logAtFork(void (*APrepare)(), void (*AParent)(), void (*AChild)()) noexcept
{
    ::pthread_atfork(nullptr, nullptr, forgetThreadId);
    ::pthread_atfork(APrepare, AParent, AChild);
}

} // namespace ecr17::detail
