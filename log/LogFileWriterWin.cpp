// Windows: the log file on a Windows handle opened for appending only
// (FILE_APPEND_DATA), so that every write lands whole at the end, and shared
// for deletion and renaming, so that the file can be moved away while the
// log runs and is then opened again under its name.
//
// A write to a disk file either goes in whole or fails (a full disk refuses
// it before writing), so no partial line needs taking back. A write that
// hangs (a stalled network share) keeps only the Dispatcher; callers are
// spared by the queue, as on POSIX.
#include "LogFileWriter.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

namespace ecr17::detail {

namespace {

HANDLE openForAppend(const std::string& APath) noexcept
{
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, APath.data(), int(APath.size()), nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, APath.data(), int(APath.size()), wide.data(), length);
    return ::CreateFileW(wide.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The identity of an open file: its volume and its index on the volume.
bool identify(HANDLE AFile, std::uint64_t& AVolume, std::uint64_t& AIndex) noexcept
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(AFile, &info))
        return false;
    AVolume = info.dwVolumeSerialNumber;
    AIndex = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool deletePending(HANDLE AFile) noexcept
{
    FILE_STANDARD_INFO info{};
    return ::GetFileInformationByHandleEx(AFile, FileStandardInfo, &info, sizeof info) && info.DeletePending;
}

std::size_t wholeLines(std::string_view AData) noexcept
{
    const std::size_t end = AData.rfind('\n');
    return end == std::string_view::npos ? 0 : end + 1;
}

} // namespace

std::unique_ptr<TLogFileWriter> TLogFileWriter::open(const std::string& APath)
{
    const HANDLE file = openForAppend(APath);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    std::unique_ptr<TLogFileWriter> writer(new TLogFileWriter(APath, file));
    if (!writer->replaceBy(file))
        return nullptr;
    return writer;
}

TLogFileWriter::TLogFileWriter(std::string APath, TLogFileHandle AFd) noexcept : FPath(std::move(APath)), FFd(AFd) {}

TLogFileWriter::~TLogFileWriter()
{
    ::CloseHandle(FFd);
}

// Makes AFd the open file, closing the one before.
bool TLogFileWriter::replaceBy(TLogFileHandle AFd) noexcept
{
    std::uint64_t volume = 0, index = 0;
    if (!identify(AFd, volume, index)) {
        if (AFd != FFd)
            ::CloseHandle(AFd);
        return false;
    }
    if (AFd != FFd)
        ::CloseHandle(FFd);
    FFd = AFd;
    FSeekable = ::GetFileType(AFd) == FILE_TYPE_DISK;
    FDevice = volume;
    FInode = index;
    return true;
}

std::size_t TLogFileWriter::append(std::string_view AData, const std::atomic<std::int64_t>&) noexcept
{
    std::size_t done = 0;
    while (done < AData.size()) {
        DWORD written = 0;
        const DWORD piece = DWORD(std::min<std::size_t>(AData.size() - done, 1u << 30));
        if (!::WriteFile(FFd, AData.data() + done, piece, &written, nullptr) || written == 0)
            break; // full disk, closed pipe
        done += written;
    }
    return done == AData.size() ? done : takeBackPartialLine(AData, done);
}

std::size_t TLogFileWriter::takeBackPartialLine(std::string_view AData, std::size_t AWritten) noexcept
{
    return wholeLines(AData.substr(0, AWritten));
}

void TLogFileWriter::followName(bool ACheckName) noexcept
{
    if (!deletePending(FFd) && !ACheckName)
        return;
    // Opening the name creates the file again when it is gone.
    const HANDLE named = openForAppend(FPath);
    if (named == INVALID_HANDLE_VALUE)
        return;
    std::uint64_t volume = 0, index = 0;
    if (identify(named, volume, index) && volume == FDevice && index == FInode)
        ::CloseHandle(named);
    else
        replaceBy(named);
}

std::int64_t logWallClockNs() noexcept
{
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    // 100 ns steps since 1601; 1970 is 11,644,473,600 s later.
    const std::int64_t ticks = (std::int64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116'444'736'000'000'000) * 100;
}

std::int64_t logSteadyNs() noexcept
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int logProcessId() noexcept
{
    return int(::GetCurrentProcessId());
}

int logThreadId() noexcept
{
    return int(::GetCurrentThreadId());
}

void logBlockWriteSignals() noexcept {}

void logAtFork(void (*)(), void (*)(), void (*)()) noexcept {}

} // namespace ecr17::detail
