#include "LogBatchWriter.h"

#include "LogRecordFormat.h"

#include <algorithm>
#include <string>

namespace {

// Records are written in pieces of about this size, so that a failing write
// loses little and a stalled one is noticed early.
constexpr std::size_t chunkBytes = 64 * 1024;

std::u16string decimal(std::uint64_t AValue)
{
    const std::string digits = std::to_string(AValue);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

TLogBatchWriter::TLogBatchWriter(TLogRun& ARun)
    : FRun(ARun), FPid(logProcessId()), FTid(logThreadId()), FNameCheckedNs(logSteadyNs())
{
    FOut.reserve(chunkBytes + 4096);
}

void TLogBatchWriter::write(std::vector<TLogEntry>& ABatch, std::uint64_t ADropped)
{
    // Reported after the batch's records, or before the file they were meant
    // for is closed.
    FLost += ADropped;
    if (FFile)
        FFile->followName(nameCheckDue());
    for (TLogEntry& entry : ABatch) {
        switch (entry.action) {
        case TLogEntry::TAction::Record:
            if (!FFile) {
                ++FLost;
                break;
            }
            appendLogRecordJson(FOut, entry.timeNs, FPid, entry.tid, entry.kind, entry.text);
            ++FOutRecords;
            if (FOut.size() >= chunkBytes)
                flush();
            break;
        case TLogEntry::TAction::SwitchFile:
            switchTo(std::move(entry.file));
            break;
        case TLogEntry::TAction::CheckFile:
            flush();
            if (FFile)
                FFile->followName(true);
            break;
        }
    }
    flush();
    reportLost();
}

// The file before gets the count of what it lost, if it takes it now.
void TLogBatchWriter::switchTo(std::unique_ptr<TLogFileWriter> AFile)
{
    flush();
    reportLost();
    FFile = std::move(AFile);
    FNameCheckedNs = logSteadyNs();
}

void TLogBatchWriter::flush()
{
    if (FOut.empty())
        return;
    const std::size_t written = put(FOut);
    if (written < FOut.size())
        FLost += FOutRecords - std::uint64_t(std::count(FOut.begin(), FOut.begin() + std::ptrdiff_t(written), '\n'));
    FOut.clear();
    FOutRecords = 0;
}

void TLogBatchWriter::reportLost()
{
    if (FLost == 0 || !FFile)
        return;
    std::u16string text(droppedText);
    text += decimal(FLost);
    appendLogRecordJson(FOut, logWallClockNs(), FPid, FTid, TLogRecordKind::Warning, text);
    if (put(FOut) == FOut.size())
        FLost = 0;
    FOut.clear();
}

// Writes whole lines to the file; returns how many bytes of AData it holds now.
std::size_t TLogBatchWriter::put(std::string_view AData) noexcept
{
    const std::int64_t now = logSteadyNs();
    if (!FFile || now >= FRun.giveUpAtNs.load(std::memory_order_relaxed))
        return 0;
    FRun.writeStartedNs.store(now, std::memory_order_relaxed);
    const std::size_t written = FFile->append(AData, FRun.giveUpAtNs);
    FRun.writeStartedNs.store(0, std::memory_order_relaxed);
    return written;
}

bool TLogBatchWriter::nameCheckDue() noexcept
{
    const std::int64_t now = logSteadyNs();
    if (now - FNameCheckedNs < nameCheckIntervalNs)
        return false;
    FNameCheckedNs = now;
    return true;
}
