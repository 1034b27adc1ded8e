// The production logging tool: an in-process Dispatcher thread appends the
// records to the log file as JSON Lines, one record per line:
//
//   {"time":"2026-12-09T22:15:39.123456Z","pid":1234,"tid":5678,"kind":"info","text":"Get EFT status"}
//
// Callers only stamp a record and queue it (see LogQueue.h for what a full
// queue does); the Dispatcher formats and writes in batches as soon as it
// takes them, so a killed process loses at most the records still queued.
//
// What the log promises under faults: no record is dropped while the file
// accepts writes; a stalled or full file never blocks a caller for more than
// 100 ms a record; every record lost is counted, and the count is written to
// the file once it takes writes again; every line in the file is whole; a
// file deleted or moved away is opened again under its name within about a
// second; CloseDispatcher gives up on a stalled file after 2 seconds. After
// fork() the child's records go nowhere until the child opens a log file.
#pragma once

#include "LoggerU.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace ecr17::detail {

class TLogQueue;

class TDispatcherLogger final : public TLogToolLogger {
public:
    // The longest CloseDispatcher waits for a file that takes no more.
    static constexpr std::chrono::milliseconds closeWait{2000};

    TDispatcherLogger();
    ~TDispatcherLogger() override;

    bool Installed() const noexcept override { return true; }
    void CloseDispatcher() noexcept override;
    void CheckLogFile() noexcept override;

    // Blocks until every record queued so far is in the file.
    void Flush() noexcept;
    // Records accepted for a log file since the tool was created.
    std::uint64_t acceptedRecords() noexcept;

protected:
    void Write(TLogRecordKind AKind, std::u16string_view AText) noexcept override;
    bool OpenLogFile(const std::u16string& AFullName) override;
    void CloseLogFile() noexcept override;

private:
    static void forkPrepare() noexcept;
    static void forkParent() noexcept;
    static void forkChild() noexcept;

    const std::shared_ptr<TLogQueue> FQueue; // shared with a Dispatcher that may outlive the tool
    std::mutex FSwitchMutex;                 // one open or close of the file at a time
    std::thread FDispatcher;                 // guarded by FSwitchMutex
};

// The process-wide production tool; it lives until the process ends and its
// Dispatcher is closed at exit.
TLogToolLogger& productionLogger() noexcept;

} // namespace ecr17::detail
