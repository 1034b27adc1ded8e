#include "LogDispatcher.h"

#include "LogBatchWriter.h"
#include "LogFileWriter.h"
#include "LogQueue.h"
#include "LogRecordFormat.h"

#include <algorithm>
#include <vector>

namespace ecr17::detail {

namespace {

// The Dispatcher thread. It holds the queue and its run itself, so that one
// given up on a hung file can return later without touching a freed tool.
void dispatch(const std::shared_ptr<TLogQueue>& AQueue, const std::shared_ptr<TLogRun>& ARun)
{
    logBlockWriteSignals();
    {
        TLogBatchWriter writer(*ARun);
        TLogBatch batch;
        std::uint64_t dropped = 0;
        while (AQueue->take(*ARun, batch, dropped)) {
            writer.write(batch, dropped);
            const std::size_t done = batch.entries.size();
            batch.clear(); // before the batch counts as written: a flushed Dispatcher is idle
            AQueue->written(*ARun, done);
        }
    }
    AQueue->endRun(*ARun);
}

// Every tool, so that fork() finds their locks in a known state.
std::mutex& toolsMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::vector<TDispatcherLogger*>& tools()
{
    static auto* list = new std::vector<TDispatcherLogger*>;
    return *list;
}

} // namespace

TDispatcherLogger::TDispatcherLogger() : FQueue(std::make_shared<TLogQueue>())
{
    static const bool forkHandled = (logAtFork(forkPrepare, forkParent, forkChild), true);
    (void)forkHandled;
    std::lock_guard lock(toolsMutex());
    tools().push_back(this);
}

TDispatcherLogger::~TDispatcherLogger()
{
    CloseDispatcher();
    std::lock_guard lock(toolsMutex());
    std::erase(tools(), this);
}

void TDispatcherLogger::Write(TLogRecordKind AKind, std::u16string_view AText) noexcept
{
    // Without a log file the record goes nowhere: skip stamping and copying.
    if (!FQueue->accepting())
        return;
    try {
        FQueue->push(logWallClockNs(), logThreadId(), AKind, AText);
    } catch (...) {
        // A record that cannot be delivered is dropped; logging never raises.
    }
}

bool TDispatcherLogger::OpenLogFile(const std::u16string& AFullName)
{
    std::lock_guard switching(FSwitchMutex);
    std::unique_ptr<TLogFileWriter> file = TLogFileWriter::open(logTextToUtf8(AFullName));
    if (!file) {
        // One clear state: the file before is closed, records go nowhere.
        FQueue->switchTo(nullptr);
        return false;
    }
    if (!FDispatcher.joinable()) {
        std::shared_ptr<TLogRun> run = FQueue->startRun();
        try {
            FDispatcher = std::thread([queue = FQueue, run] { dispatch(queue, run); });
        } catch (...) {
            FQueue->stop(std::chrono::milliseconds(0));
            return false;
        }
    }
    FQueue->switchTo(std::move(file));
    return true;
}

void TDispatcherLogger::CloseLogFile() noexcept
{
    try {
        std::lock_guard switching(FSwitchMutex);
        FQueue->switchTo(nullptr);
    } catch (...) {
    }
}

void TDispatcherLogger::CheckLogFile() noexcept
{
    try {
        FQueue->checkFile();
    } catch (...) {
    }
}

void TDispatcherLogger::CloseDispatcher() noexcept
{
    try {
        std::lock_guard switching(FSwitchMutex);
        markLogFileClosed();
        std::thread dispatcher = std::move(FDispatcher);
        const bool ended = FQueue->stop(closeWait);
        if (!dispatcher.joinable())
            return;
        if (ended)
            dispatcher.join();
        else
            dispatcher.detach(); // held up in a write that may never return
    } catch (...) {
    }
}

void TDispatcherLogger::Flush() noexcept
{
    try {
        FQueue->flush();
    } catch (...) {
    }
}

std::uint64_t TDispatcherLogger::acceptedRecords() noexcept
{
    try {
        return FQueue->accepted();
    } catch (...) {
        return 0;
    }
}

// Every lock a switch or a record takes is held across fork(), in the order
// they are taken, so that the child finds none of them held by a thread it
// does not have.
void TDispatcherLogger::forkPrepare() noexcept
{
    toolsMutex().lock();
    for (TDispatcherLogger* tool : tools()) {
        tool->FDestinationMutex.lock();
        tool->FSwitchMutex.lock();
        tool->FQueue->lockForFork();
    }
}

void TDispatcherLogger::forkParent() noexcept
{
    for (TDispatcherLogger* tool : tools()) {
        tool->FQueue->unlockAfterFork();
        tool->FSwitchMutex.unlock();
        tool->FDestinationMutex.unlock();
    }
    toolsMutex().unlock();
}

// The child has no Dispatcher thread: its log is off until it opens one.
void TDispatcherLogger::forkChild() noexcept
{
    for (TDispatcherLogger* tool : tools()) {
        tool->FQueue->resetInChild();
        // The parent's Dispatcher does not exist here: nothing will join it.
        if (tool->FDispatcher.joinable())
            tool->FDispatcher.detach();
        tool->markLogFileClosed();
        tool->FSwitchMutex.unlock();
        tool->FDestinationMutex.unlock();
    }
    toolsMutex().unlock();
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

} // namespace ecr17::detail
