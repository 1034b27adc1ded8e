#include "LogQueue.h"

#include <memory>
#include <utility>

namespace ecr17::detail {

namespace {

// Once woken, the Dispatcher gathers records for up to gatherTime (or until
// gatherEnough are queued), so that an operation's records cost one wake-up
// and one write instead of one each. Well within the 100 ms in which records
// must reach the file.
constexpr std::chrono::milliseconds gatherTime{5};
constexpr std::size_t gatherEnough = 4096;

// The Dispatcher has been inside one write for the whole wait: the file holds
// it up. (One that is merely slow, or short of CPU, is not in a write that long.)
bool heldUpByFile(const TLogRun& ARun)
{
    const std::int64_t started = ARun.writeStartedNs.load(std::memory_order_relaxed);
    return started != 0 && logSteadyNs() - started >= std::chrono::nanoseconds(TLogQueue::roomWait).count();
}

} // namespace

void TLogQueue::push(std::int64_t ATimeNs, int ATid, TLogRecordKind AKind, std::u16string_view AText)
{
    std::unique_lock lock(FMutex);
    if (FQueue.entries.size() >= capacity && !waitForRoom(lock)) {
        if (FAccepting.load(std::memory_order_relaxed))
            ++FDropped;
        return;
    }
    // Read only now: while the caller waited, the file may have been closed.
    if (!FAccepting.load(std::memory_order_relaxed))
        return;
    FQueue.addRecord(ATimeNs, ATid, AKind, AText);
    ++FQueued;
    ++FAccepted;
    if (FConsumerWaiting || (FGathering && FQueue.entries.size() == gatherEnough)) // once, not for each after
        FHasWork.notify_one();
}

// False when the record is to be dropped.
bool TLogQueue::waitForRoom(std::unique_lock<std::mutex>& ALock)
{
    auto done = [this] { return FQueue.entries.size() < capacity || FDropping || !FAccepting.load(std::memory_order_relaxed); };
    while (!FDropping) {
        if (FHasRoom.wait_for(ALock, roomWait, done))
            return !FDropping;
        if (!FRun || heldUpByFile(*FRun))
            FDropping = true;
    }
    return false;
}

// After an entry that opens, closes or checks the file.
void TLogQueue::queued()
{
    ++FQueued;
    FHasWork.notify_one();
}

void TLogQueue::switchTo(std::unique_ptr<TLogFileWriter> AFile)
{
    std::lock_guard lock(FMutex);
    const bool open = AFile != nullptr;
    if (!open && !FAccepting.load(std::memory_order_relaxed))
        return; // nothing open: nothing to close
    FQueue.addSwitch(std::move(AFile));
    queued();
    FAccepting = open;
    FHasRoom.notify_all(); // a waiting caller's record now goes elsewhere or nowhere
}

void TLogQueue::checkFile()
{
    std::lock_guard lock(FMutex);
    if (!FAccepting.load(std::memory_order_relaxed))
        return;
    FQueue.addCheck();
    queued();
}

std::shared_ptr<TLogRun> TLogQueue::startRun()
{
    std::lock_guard lock(FMutex);
    FStop = false;
    FRun = std::make_shared<TLogRun>();
    return FRun;
}

bool TLogQueue::take(const TLogRun& ARun, TLogBatch& ABatch, std::uint64_t& ADropped)
{
    std::unique_lock lock(FMutex);
    auto ending = [&] { return FStop || FRun.get() != &ARun; };
    FConsumerWaiting = true;
    FHasWork.wait(lock, [&] { return !FQueue.entries.empty() || ending(); });
    FConsumerWaiting = false;
    FGathering = true;
    FHasWork.wait_for(lock, gatherTime,
                      [&] { return FQueue.entries.size() >= gatherEnough || FFlushWanted > 0 || ending(); });
    FGathering = false;
    if (FRun.get() != &ARun || FQueue.entries.empty())
        return false; // given up, or stopping with everything written
    std::swap(ABatch, FQueue);
    ADropped = std::exchange(FDropped, 0);
    FDropping = false;
    FHasRoom.notify_all();
    return true;
}

void TLogQueue::written(const TLogRun& ARun, std::size_t ACount)
{
    {
        std::lock_guard lock(FMutex);
        if (FRun.get() != &ARun)
            return;
        FWritten += ACount;
    }
    FDrained.notify_all();
}

void TLogQueue::endRun(TLogRun& ARun)
{
    {
        std::lock_guard lock(FMutex);
        ARun.finished = true;
    }
    FEnded.notify_all();
}

bool TLogQueue::stop(std::chrono::milliseconds AWait)
{
    switchTo(nullptr);
    std::unique_lock lock(FMutex);
    if (!FRun)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + AWait;
    // The writer gives up a little before, so that the Dispatcher can end in time.
    const std::int64_t margin = std::chrono::nanoseconds(AWait).count() / 20;
    FRun->giveUpAtNs = logSteadyNs() + std::chrono::nanoseconds(AWait).count() - margin;
    FStop = true;
    FHasWork.notify_one();
    const bool ended = FEnded.wait_until(lock, deadline, [this] { return FRun->finished; });
    if (!ended) {
        FQueue.clear(); // the Dispatcher never gets to them
        FWritten = FQueued;
    }
    FRun.reset();
    FDropping = false;
    FDropped = 0;
    FHasRoom.notify_all();
    FDrained.notify_all();
    return ended;
}

void TLogQueue::flush()
{
    std::unique_lock lock(FMutex);
    const std::uint64_t target = FQueued;
    ++FFlushWanted;
    FHasWork.notify_one();
    FDrained.wait(lock, [&] { return FWritten >= target || !FRun; });
    --FFlushWanted;
}

std::uint64_t TLogQueue::accepted()
{
    std::lock_guard lock(FMutex);
    return FAccepted;
}

// The parent's threads are gone in the child, and so are the waiters that the
// condition variables may count: they start afresh. Called with the lock
// held, and releases it.
void TLogQueue::resetInChild()
{
    std::construct_at(&FHasWork);
    std::construct_at(&FHasRoom);
    std::construct_at(&FDrained);
    std::construct_at(&FEnded);
    FQueue.clear();
    FRun.reset();
    FAccepting = false;
    FStop = false;
    FDropping = false;
    FConsumerWaiting = false;
    FGathering = false;
    FFlushWanted = 0;
    FDropped = 0;
    FWritten = FQueued;
    FMutex.unlock();
}

} // namespace ecr17::detail
