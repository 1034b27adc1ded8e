#include "LogBatchWriter.h"

#include <algorithm>
#include <string>

namespace ecr17::detail {

namespace {

// Records are written in pieces of about this size, so that a failing write
// loses little and a stalled one is noticed early.
constexpr std::size_t chunkBytes = 64 * 1024;

// Batches above these sizes are not kept for reuse.
constexpr std::size_t burstEntries = 4096;
constexpr std::size_t burstTexts = 256 * 1024;

std::u16string decimal(std::uint64_t AValue)
{
    const std::string digits = std::to_string(AValue);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

void TLogBatch::addRecord(std::int64_t ATimeNs, int ATid, TLogRecordKind AKind, std::u16string_view AText)
{
    const std::size_t start = texts.size();
    texts += AText;
    entries.push_back({ATimeNs, ATid, AKind, TLogEntry::TAction::Record, 0, start, AText.size()});
}

void TLogBatch::addSwitch(std::unique_ptr<TLogFileWriter> AFile)
{
    files.push_back(std::move(AFile));
    entries.push_back(
        {0, 0, TLogRecordKind::Info, TLogEntry::TAction::SwitchFile, std::uint32_t(files.size() - 1), 0, 0});
}

void TLogBatch::addCheck()
{
    entries.push_back({0, 0, TLogRecordKind::Info, TLogEntry::TAction::CheckFile, 0, 0, 0});
}

void TLogBatch::clear() noexcept
{
    // A burst leaves a large batch behind; give its room back once the burst
    // is over rather than keep the peak for the rest of the process. While
    // records keep coming fast, the room is reused.
    const bool burstOver = entries.size() <= burstEntries / 4;
    entries.clear();
    texts.clear();
    files.clear();
    if (burstOver && entries.capacity() > burstEntries)
        std::vector<TLogEntry>().swap(entries);
    if (burstOver && texts.capacity() > burstTexts)
        std::u16string().swap(texts);
}

TLogBatchWriter::TLogBatchWriter(TLogRun& ARun)
    : FRun(ARun), FTid(logThreadId()), FFormat(logProcessId()), FNameCheckedNs(logSteadyNs())
{
    FOut.reserve(chunkBytes + 4096);
}

void TLogBatchWriter::write(TLogBatch& ABatch, std::uint64_t ADropped)
{
    // Reported after the batch's records, or before the file they were meant
    // for is closed.
    FLost += ADropped;
    if (FFile)
        FFile->followName(nameCheckDue());
    for (const TLogEntry& entry : ABatch.entries) {
        switch (entry.action) {
        case TLogEntry::TAction::Record:
            if (!FFile) {
                ++FLost;
                break;
            }
            FFormat.append(FOut, entry.timeNs, entry.tid, entry.kind, ABatch.text(entry));
            ++FOutRecords;
            if (FOut.size() >= chunkBytes)
                flush();
            break;
        case TLogEntry::TAction::SwitchFile:
            switchTo(std::move(ABatch.files[entry.file]));
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
    FFormat.append(FOut, logWallClockNs(), FTid, TLogRecordKind::Warning, text);
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

} // namespace ecr17::detail
