// The log's platform seam: appending to the log file, and the facts about the
// running process that a record carries. Everything the Dispatcher needs
// from the operating system goes through here, so another platform brings
// its own LogFileWriter source and nothing else changes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ecr17::detail {

#ifdef _WIN32
using TLogFileHandle = void*; // HANDLE
// Windows paths: "\\" and "/" both end a folder, and so does a drive's ":".
inline constexpr std::u16string_view kLogPathDelimiters = u"\\/:";
inline constexpr char16_t kLogPathSeparator = u'\\';
#else
using TLogFileHandle = int;
inline constexpr std::u16string_view kLogPathDelimiters = u"/";
inline constexpr char16_t kLogPathSeparator = u'/';
#endif

// One open log file. A file that takes no more bytes (a full pipe, a hung
// mount) is waited for; a file that refuses them (a full disk, a size limit)
// is reported at once. Either way no line is left in the file in part.
class TLogFileWriter {
public:
    // Opens APath (UTF-8) for appending, creating it; null when it cannot be
    // opened (a directory, a missing folder, a pipe nobody has open).
    static std::unique_ptr<TLogFileWriter> open(const std::string& APath);
    ~TLogFileWriter();
    TLogFileWriter(const TLogFileWriter&) = delete;
    TLogFileWriter& operator=(const TLogFileWriter&) = delete;

    // Appends AData, which holds whole lines, and returns how many of its
    // bytes are now in the file: all of them, or the lines before a failure.
    // A line written in part is taken back out of a file that allows it.
    // Waiting for a file that takes no more ends at AGiveUpAtNs
    // (logSteadyNs).
    std::size_t append(std::string_view AData, const std::atomic<std::int64_t>& AGiveUpAtNs) noexcept;

    // Reopens the file under its name when it has been deleted or, with
    // ACheckName, when the name no longer leads to it (moved, replaced).
    // Keeps the open file when the name cannot be opened.
    void followName(bool ACheckName) noexcept;

private:
    TLogFileWriter(std::string APath, TLogFileHandle AFd) noexcept;
    bool replaceBy(TLogFileHandle AFd) noexcept;
    std::size_t takeBackPartialLine(std::string_view AData, std::size_t AWritten) noexcept;

    std::string FPath;
    TLogFileHandle FFd;
    bool FSeekable = false;       // a regular file: a partial line can be cut off again
    std::uint64_t FDevice = 0;    // identity of the open file, to tell when the name moves on
    std::uint64_t FInode = 0;
};

// Nanoseconds since 1970 (UTC), for the record's time.
std::int64_t logWallClockNs() noexcept;
// Nanoseconds on a clock that never jumps, for deadlines.
std::int64_t logSteadyNs() noexcept;
int logProcessId() noexcept;
// The calling thread's id as the system shows it; cheap after the first call.
int logThreadId() noexcept;
// Called by the Dispatcher thread: a broken pipe or an exceeded file size
// limit comes back as an error from the write instead of ending the process.
void logBlockWriteSignals() noexcept;
// Runs APrepare before a fork, AParent after it in the parent and AChild in
// the child (no-op on platforms without fork). Register once.
void logAtFork(void (*APrepare)(), void (*AParent)(), void (*AChild)()) noexcept;

} // namespace ecr17::detail
