// The bounded queue between the threads that log and the Dispatcher.
//
// Overflow policy: a caller that finds the queue full waits for room. When
// the wait passes roomWait and the Dispatcher has been inside one write all
// that time (a stalled or full file), the caller drops its record, and so
// does every caller after it until the Dispatcher takes the next batch; the
// Dispatcher writes the count of dropped records to the file. While the
// Dispatcher is merely slow (formatting, waiting for the CPU) the file still
// takes writes, and callers keep waiting: nothing is dropped then.
//
// Entries that open, close or check the log file always go in, whatever the
// queue holds: they are few, and losing one would send records astray.
#pragma once

#include "LogBatchWriter.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace ecr17::detail {

class TLogQueue {
public:
    // The most records queued before callers wait.
    static constexpr std::size_t capacity = 1 << 16;
    static constexpr std::chrono::milliseconds roomWait{100};

    // Whether a log file is open; read without the lock to skip records early.
    bool accepting() const noexcept { return FAccepting.load(std::memory_order_relaxed); }
    // Queues a record for the open file; it goes nowhere when none is open.
    void push(std::int64_t ATimeNs, int ATid, TLogRecordKind AKind, std::u16string_view AText);
    // The records after this go to AFile (null: nowhere).
    void switchTo(std::unique_ptr<TLogFileWriter> AFile);
    void checkFile();

    // A new Dispatcher; the one before has ended or was given up.
    std::shared_ptr<TLogRun> startRun();
    // For the Dispatcher: waits for entries and takes them all, with the
    // count of records dropped since the last batch. False when ARun is to end.
    bool take(const TLogRun& ARun, TLogBatch& ABatch, std::uint64_t& ADropped);
    void written(const TLogRun& ARun, std::size_t ACount);
    void endRun(TLogRun& ARun);
    // Closes the file and lets the Dispatcher write out what is queued, for
    // at most AWait. False when it did not end in time: it is given up and
    // what it had not written is lost.
    bool stop(std::chrono::milliseconds AWait);

    // Blocks until every entry queued so far is written, or no Dispatcher runs.
    void flush();
    // Records accepted for a log file since the queue was made.
    std::uint64_t accepted();

    // Around fork(): the lock is held across it; the child starts with no
    // file and no Dispatcher.
    void lockForFork() { FMutex.lock(); }
    void unlockAfterFork() { FMutex.unlock(); }
    void resetInChild();

private:
    bool waitForRoom(std::unique_lock<std::mutex>& ALock);
    void queued();

    std::mutex FMutex;
    std::condition_variable FHasWork;
    std::condition_variable FHasRoom;
    std::condition_variable FDrained;
    std::condition_variable FEnded;
    TLogBatch FQueue;
    std::shared_ptr<TLogRun> FRun; // the running Dispatcher, if any
    std::atomic<bool> FAccepting{false};
    bool FStop = false;
    bool FDropping = false;        // callers drop until the next batch is taken
    bool FConsumerWaiting = false; // idle, waiting for a first record
    bool FGathering = false;       // woken, gathering more records
    int FFlushWanted = 0;
    std::uint64_t FDropped = 0;  // records dropped since the last batch
    std::uint64_t FQueued = 0;   // entries ever queued
    std::uint64_t FWritten = 0;  // entries ever handled by the Dispatcher
    std::uint64_t FAccepted = 0; // records ever queued
};

} // namespace ecr17::detail
