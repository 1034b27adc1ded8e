// The logging tool: the process-wide logger that every log record goes through.
//
// TLogToolLogger is an interface so that tests can put an in-memory tool in
// place of the production one (the library's Dispatcher). Records go to the
// logger's Destination once one is set; its LogFile decides whether the log
// file receives them.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class TLogToolLogger;

// The kinds of record a tool writes.
enum class TLogRecordKind : unsigned char { Info, Warning, Error, Separator, Enter, Exit };

// Where the log file lies and whether it receives records.
class TLogFileDestination {
public:
    const std::u16string& FilePath() const noexcept { return FFilePath; }
    void setFilePath(std::u16string AFilePath) { FFilePath = std::move(AFilePath); }
    const std::u16string& FileName() const noexcept { return FFileName; }
    void setFileName(std::u16string AFileName) { FFileName = std::move(AFileName); }
    bool Active() const noexcept { return FActive.load(std::memory_order_acquire); }
    // Asks the tool to open (true) or close (false) the file named by FilePath
    // and FileName. Active stays false when the file cannot be opened.
    void setActive(bool AActive);

    // FilePath with a trailing '/' when it has none, joined with FileName.
    std::u16string FullName() const;

private:
    friend class TLogToolLogger;
    TLogToolLogger* FTool = nullptr;
    std::u16string FFilePath;
    std::u16string FFileName;
    std::atomic<bool> FActive{false}; // read without the destination's lock
};

// A set of outputs for the logger; only the log file is used.
class TLogToolDestination {
public:
    TLogFileDestination LogFile;
};

// Closes its method trace when released.
class ILogToolMethodTracer {
public:
    virtual ~ILogToolMethodTracer() = default;
};
using TMethodTrace = std::unique_ptr<ILogToolMethodTracer>;

class TLogToolLogger {
public:
    virtual ~TLogToolLogger() = default;

    // Writing never raises; a record the tool cannot deliver is dropped.
    void Send(std::u16string_view AText) noexcept { Write(TLogRecordKind::Info, AText); }
    void SendWarning(std::u16string_view AText) noexcept { Write(TLogRecordKind::Warning, AText); }
    void SendError(std::u16string_view AText) noexcept { Write(TLogRecordKind::Error, AText); }
    void AddSeparator() noexcept { Write(TLogRecordKind::Separator, {}); }

    // Writes the method-entry record now; releasing the result writes the exit
    // record with the same name, also while an exception unwinds the caller.
    // Timing is not recorded, so the two flags do not change what is written.
    [[nodiscard]] TMethodTrace TraceMethod(std::u16string_view AName, bool traceOnlyMode = true,
                                           bool millisecondTiming = false);

    // True when the tool can write a log file on this machine.
    virtual bool Installed() const noexcept = 0;

    // Null until a destination is set; set once, kept for the rest of the process.
    TLogToolDestination* Destination() const noexcept { return FDestinationRead.load(std::memory_order_acquire); }
    void setDestination(std::unique_ptr<TLogToolDestination> ADestination);

    // Held while the destination's settings are read or changed, so that
    // switching the log from several threads at once leaves one clear state.
    [[nodiscard]] std::unique_lock<std::mutex> lockDestination() { return std::unique_lock(FDestinationMutex); }

    // Makes sure the log file still exists under its name before the next
    // record is written, and opens it again when it does not.
    virtual void CheckLogFile() noexcept {}

    // Writes out every pending record and closes the log file; the log file is
    // inactive afterwards.
    virtual void CloseDispatcher() noexcept = 0;

protected:
    virtual void Write(TLogRecordKind AKind, std::u16string_view AText) noexcept = 0;
    // Opens AFullName as the log file; false when it cannot be opened.
    virtual bool OpenLogFile(const std::u16string& AFullName) = 0;
    virtual void CloseLogFile() noexcept = 0;
    void markLogFileClosed() noexcept;

    std::mutex FDestinationMutex;

private:
    friend class TLogFileDestination;
    friend class TLogToolTraceAccess;
    std::unique_ptr<TLogToolDestination> FDestination;
    std::atomic<TLogToolDestination*> FDestinationRead{nullptr};
};

// The process-wide logger. Until another is set it is the production tool,
// created on first use and closed when the process ends.
TLogToolLogger& Logger() noexcept;

// Makes ATool the process-wide logger (null: the production tool again) and
// returns the one it replaces. The caller keeps ownership of ATool and must
// not switch loggers while other threads log.
TLogToolLogger* setLogger(TLogToolLogger* ATool) noexcept;
