#include "LogDispatcher.h"

#include "LogRecordFormat.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace {

int currentTid() noexcept
{
    thread_local const int tid = static_cast<int>(::syscall(SYS_gettid));
    return tid;
}

std::int64_t nowNs() noexcept
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Writes all of AData, retrying short writes; a failing file loses the batch
// rather than stopping the Dispatcher.
void writeAll(int AFd, const std::string& AData) noexcept
{
    const char* p = AData.data();
    std::size_t left = AData.size();
    while (left > 0) {
        const ssize_t n = ::write(AFd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= std::size_t(n);
    }
}

// Batches above this many records are not kept for reuse.
constexpr std::size_t burstCapacity = 4096;

// Once woken, the Dispatcher gathers records for up to gatherTime (or until
// gatherEnough are queued), so that an operation's records cost one wake-up
// and one write instead of one each. Well within the 100 ms in which records
// must reach the file.
constexpr std::chrono::milliseconds gatherTime{5};
constexpr std::size_t gatherEnough = 4096;

} // namespace

TDispatcherLogger::TDispatcherLogger() = default;

TDispatcherLogger::~TDispatcherLogger()
{
    CloseDispatcher();
}

void TDispatcherLogger::Write(TLogRecordKind AKind, std::u16string_view AText) noexcept
{
    // Without a log file the record goes nowhere: skip stamping and copying.
    if (!FFileOpen.load(std::memory_order_relaxed))
        return;
    try {
        TRecord record{nowNs(), currentTid(), AKind, std::u16string(AText), -1, false};
        push(std::move(record));
    } catch (...) {
        // A record that cannot be delivered is dropped; logging never raises.
    }
}

void TDispatcherLogger::push(TRecord&& ARecord)
{
    std::unique_lock lock(FMutex);
    FHasRoom.wait(lock, [this] { return FQueue.size() < queueCapacity; });
    // The file is read only once there is room: while a writer waited, the
    // file may have been closed, and its descriptor must not be written again.
    if (!ARecord.closeFile) {
        if (FFile < 0)
            return; // no active log file: the record goes nowhere
        ARecord.fd = FFile;
        ++FAccepted;
    }
    FQueue.push_back(std::move(ARecord));
    ++FQueued;
    if (FConsumerWaiting || (FGathering && FQueue.size() >= gatherEnough))
        FHasWork.notify_one();
}

bool TDispatcherLogger::OpenLogFile(const std::u16string& AFullName)
{
    const std::string path = logTextToUtf8(AFullName);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    try {
        startDispatcher();
    } catch (...) {
        ::close(fd);
        return false;
    }
    CloseLogFile();
    {
        std::lock_guard lock(FMutex);
        FFile = fd;
        FFileOpen = true;
    }
    return true;
}

void TDispatcherLogger::CloseLogFile() noexcept
{
    int fd;
    {
        std::lock_guard lock(FMutex);
        fd = FFile;
        FFile = -1;
        FFileOpen = false;
    }
    if (fd < 0)
        return;
    try {
        push(TRecord{0, 0, TLogRecordKind::Info, {}, fd, true});
    } catch (...) {
        ::close(fd);
    }
}

void TDispatcherLogger::startDispatcher()
{
    std::lock_guard lock(FMutex);
    if (FDispatcher.joinable())
        return;
    FStop = false;
    FDispatcher = std::thread([this] { run(); });
}

void TDispatcherLogger::CloseDispatcher() noexcept
{
    CloseLogFile();
    markLogFileClosed();
    std::thread dispatcher;
    {
        std::lock_guard lock(FMutex);
        FStop = true;
        dispatcher = std::move(FDispatcher);
        FHasWork.notify_one();
    }
    if (dispatcher.joinable())
        dispatcher.join();
}

void TDispatcherLogger::Flush() noexcept
{
    std::unique_lock lock(FMutex);
    const std::uint64_t target = FQueued;
    ++FFlushWanted;
    FHasWork.notify_one();
    FDrained.wait(lock, [&] { return FWritten >= target || !FDispatcher.joinable(); });
    --FFlushWanted;
}

std::uint64_t TDispatcherLogger::acceptedRecords() noexcept
{
    std::lock_guard lock(FMutex);
    return FAccepted;
}

void TDispatcherLogger::run()
{
    std::vector<TRecord> batch;
    std::string out;
    for (;;) {
        {
            std::unique_lock lock(FMutex);
            FConsumerWaiting = true;
            FHasWork.wait(lock, [this] { return !FQueue.empty() || FStop; });
            FConsumerWaiting = false;
            FGathering = true;
            FHasWork.wait_for(lock, gatherTime,
                              [this] { return FQueue.size() >= gatherEnough || FStop || FFlushWanted > 0; });
            FGathering = false;
            if (FQueue.empty())
                return; // stopping, and everything is written
            batch.swap(FQueue);
            FHasRoom.notify_all();
        }
        writeBatch(batch, out);
        {
            std::lock_guard lock(FMutex);
            FWritten += batch.size();
        }
        FDrained.notify_all();
        batch.clear();
        // A burst leaves a large batch behind; give it back rather than keep
        // the peak for the rest of the process.
        if (batch.capacity() > burstCapacity)
            std::vector<TRecord>().swap(batch);
    }
}

void TDispatcherLogger::writeBatch(std::vector<TRecord>& ABatch, std::string& AOut)
{
    static const int pid = ::getpid();
    int fd = -1;
    auto flush = [&] {
        if (fd >= 0 && !AOut.empty())
            writeAll(fd, AOut);
        AOut.clear();
    };
    for (TRecord& record : ABatch) {
        if (record.fd != fd) {
            flush();
            fd = record.fd;
        }
        if (record.closeFile) {
            flush();
            ::close(fd);
            fd = -1;
            continue;
        }
        appendLogRecordJson(AOut, record.timeNs, pid, record.tid, record.kind, record.text);
    }
    flush();
}

namespace {

// Closes the production Dispatcher when the process ends normally, so that
// returning from main or calling exit loses no record. The tool itself is
// never destroyed: code running later in the exit sequence may still log.
struct TProductionLogger {
    TDispatcherLogger* tool = new TDispatcherLogger;
    ~TProductionLogger() { tool->CloseDispatcher(); }
};

} // namespace

TLogToolLogger& productionLogger() noexcept
{
    static TProductionLogger instance;
    return *instance.tool;
}
