// An in-memory logging tool for tests: keeps every record it is given and
// becomes the process-wide logger for its lifetime.
#pragma once

#include "LoggerU.h"

#include <mutex>
#include <string>
#include <vector>

struct TLogRecord {
    TLogRecordKind kind;
    std::u16string text;
    bool operator==(const TLogRecord&) const = default;
};

class TMemoryLogTool final : public TLogToolLogger {
public:
    explicit TMemoryLogTool(bool AInstalled = true) : FInstalled(AInstalled) { FPrevious = setLogger(this); }
    ~TMemoryLogTool() override { setLogger(FPrevious); }

    bool Installed() const noexcept override { return FInstalled; }
    void CloseDispatcher() noexcept override {
        std::lock_guard lock(FMutex);
        ++FCloseCount;
        if (Destination()) markLogFileClosed();
    }

    std::vector<TLogRecord> records() const {
        std::lock_guard lock(FMutex);
        return FRecords;
    }
    void clear() {
        std::lock_guard lock(FMutex);
        FRecords.clear();
    }
    int closeCount() const {
        std::lock_guard lock(FMutex);
        return FCloseCount;
    }
    // The names of the files opened so far, in order.
    std::vector<std::u16string> opened() const {
        std::lock_guard lock(FMutex);
        return FOpened;
    }
    void failOpen(bool AFail) { FFailOpen = AFail; }

protected:
    void Write(TLogRecordKind AKind, std::u16string_view AText) noexcept override {
        std::lock_guard lock(FMutex);
        FRecords.push_back({AKind, std::u16string(AText)});
    }
    bool OpenLogFile(const std::u16string& AFullName) override {
        std::lock_guard lock(FMutex);
        if (FFailOpen) return false;
        FOpened.push_back(AFullName);
        return true;
    }
    void CloseLogFile() noexcept override {}

private:
    TLogToolLogger* FPrevious = nullptr;
    bool FInstalled;
    bool FFailOpen = false;
    int FCloseCount = 0;
    mutable std::mutex FMutex;
    std::vector<TLogRecord> FRecords;
    std::vector<std::u16string> FOpened;
};
