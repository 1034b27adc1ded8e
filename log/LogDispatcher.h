// The production logging tool: an in-process Dispatcher thread appends the
// records to the log file as JSON Lines, one record per line:
//
//   {"time":"2026-12-09T22:15:39.123456Z","pid":1234,"tid":5678,"kind":"info","text":"Get EFT status"}
//
// Callers only stamp a record and queue it; the Dispatcher formats and writes
// in batches. The queue is bounded and a full queue makes the caller wait:
// no record is dropped while the log file is active. Every batch is written
// with write(2) as soon as it is taken, so a killed process loses at most
// the records still queued.
#pragma once

#include "LoggerU.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TDispatcherLogger final : public TLogToolLogger {
public:
    // The most records queued before writers wait.
    static constexpr std::size_t queueCapacity = 1 << 16;

    TDispatcherLogger();
    ~TDispatcherLogger() override;

    bool Installed() const noexcept override { return true; }
    void CloseDispatcher() noexcept override;

    // Blocks until every record queued so far is in the file.
    void Flush() noexcept;
    // Records accepted for a log file since the tool was created.
    std::uint64_t acceptedRecords() noexcept;

    struct TRecord {
        std::int64_t timeNs;
        int tid;
        TLogRecordKind kind;
        std::u16string text;
        int fd;         // the file the record goes to
        bool closeFile; // not a record: close fd once what precedes it is written
    };

protected:
    void Write(TLogRecordKind AKind, std::u16string_view AText) noexcept override;
    bool OpenLogFile(const std::u16string& AFullName) override;
    void CloseLogFile() noexcept override;

private:
    void push(TRecord&& ARecord);
    void startDispatcher();
    void run();
    void writeBatch(std::vector<TRecord>& ABatch, std::string& AOut);

    std::mutex FMutex;
    std::condition_variable FHasWork;
    std::condition_variable FHasRoom;
    std::condition_variable FDrained;
    std::vector<TRecord> FQueue;
    std::uint64_t FQueued = 0;  // records ever queued
    std::uint64_t FWritten = 0; // records ever handled by the Dispatcher
    std::uint64_t FAccepted = 0; // records, without the file markers
    bool FStop = false;
    bool FConsumerWaiting = false; // idle, waiting for a first record
    bool FGathering = false;       // woken, gathering more records
    int FFlushWanted = 0;
    std::atomic<bool> FFileOpen{false}; // FFile >= 0, read without the lock
    int FFile = -1; // the file new records go to; guarded by FMutex
    std::thread FDispatcher;
};

// The process-wide production tool; it lives until the process ends and its
// Dispatcher is closed at exit.
TLogToolLogger& productionLogger() noexcept;
