// The Dispatcher's side of the log file: turns the entries it takes from the
// queue into lines in the file, in writes of a bounded size, and keeps count
// of every record that could not be written until the file takes the count.
#pragma once

#include "LogFileWriter.h"
#include "LogRecordFormat.h"
#include "LoggerU.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace ecr17::detail {

// One entry of the queue: a record for the file that is open, or a change of
// file for the records after it. What an entry refers to lies in its batch,
// so that queueing a record allocates nothing once the batch has grown.
struct TLogEntry {
    enum class TAction : unsigned char {
        Record,
        SwitchFile, // files[file] is the next log file; null closes the log file
        CheckFile   // reopen the file when its name no longer leads to it
    };
    std::int64_t timeNs;
    int tid;
    TLogRecordKind kind;
    TAction action;
    std::uint32_t file;
    std::size_t textStart; // in texts
    std::size_t textSize;
};

// Entries and what they refer to, queued and taken as a whole.
struct TLogBatch {
    std::vector<TLogEntry> entries;
    std::u16string texts;
    std::vector<std::unique_ptr<TLogFileWriter>> files;

    std::u16string_view text(const TLogEntry& AEntry) const noexcept
    {
        return std::u16string_view(texts).substr(AEntry.textStart, AEntry.textSize);
    }
    void addRecord(std::int64_t ATimeNs, int ATid, TLogRecordKind AKind, std::u16string_view AText);
    void addSwitch(std::unique_ptr<TLogFileWriter> AFile);
    void addCheck();
    // Empties the batch; keeps its room unless a burst that made it large is over.
    void clear() noexcept;
};

// What one Dispatcher thread shares with the callers and with whoever closes it.
struct TLogRun {
    // A file that takes no more is given up at this time (logSteadyNs).
    std::atomic<std::int64_t> giveUpAtNs{std::numeric_limits<std::int64_t>::max()};
    // When the write the Dispatcher is in began (logSteadyNs), 0 outside
    // writes: a write that lasts is the file's doing.
    std::atomic<std::int64_t> writeStartedNs{0};
    bool finished = false; // guarded by the queue's lock
};

class TLogBatchWriter {
public:
    // The text of the record that reports lost records, before the count.
    static constexpr std::u16string_view droppedText = u"Log records dropped: ";
    // How often the Dispatcher checks that the file's name still leads to it.
    static constexpr std::int64_t nameCheckIntervalNs = 1'000'000'000;

    explicit TLogBatchWriter(TLogRun& ARun);

    // Writes the entries of ABatch in order. ADropped records were refused to
    // callers while the batch waited; they are counted as lost.
    void write(TLogBatch& ABatch, std::uint64_t ADropped);

private:
    void flush();
    void reportLost();
    void switchTo(std::unique_ptr<TLogFileWriter> AFile);
    std::size_t put(std::string_view AData) noexcept;
    bool nameCheckDue() noexcept;

    TLogRun& FRun;
    const int FTid;
    TLogRecordFormatter FFormat;
    std::unique_ptr<TLogFileWriter> FFile;
    std::string FOut;
    std::uint64_t FOutRecords = 0; // records in FOut
    std::uint64_t FLost = 0;       // records lost and not yet reported in a file
    std::int64_t FNameCheckedNs;
};

} // namespace ecr17::detail
