// The payment journal's file on Windows handles (see JournalFile.h). The
// file takes the folder's permissions; appends go to its end in one write.
#include "JournalFile.h"

#include "TextConvert.h"
#include "WindowsErrors.h"

#include <windows.h>

#include <stdexcept>

namespace ecr17::detail {

namespace {

[[noreturn]] void fail(const char* Awhat, const std::string& Apath, DWORD Aerror = ::GetLastError())
{
    throw std::runtime_error(std::string("Journal ") + Awhat + " " + Apath + ": "
                             + describeWindowsError(Aerror));
}

// Closes a handle on every path.
struct THandle {
    HANDLE handle;
    ~THandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

HANDLE openFile(const std::string& Apath, DWORD Aaccess, DWORD Adisposition)
{
    const std::u16string wide = utf8ToText(Apath);
    return ::CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), Aaccess,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, Adisposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::int64_t sizeOf(HANDLE Afile, const std::string& Apath)
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(Afile, &size))
        fail("cannot be read:", Apath);
    return size.QuadPart;
}

// Reads Acount bytes at Aoffset; false when fewer came.
bool readAt(HANDLE Afile, std::int64_t Aoffset, char* Abuffer, DWORD Acount)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(Aoffset);
    at.OffsetHigh = static_cast<DWORD>(Aoffset >> 32);
    DWORD got = 0;
    return ::ReadFile(Afile, Abuffer, Acount, &got, &at) && got == Acount;
}

bool endsTorn(HANDLE Afile, const std::string& Apath)
{
    const std::int64_t size = sizeOf(Afile, Apath);
    char last = '\n';
    return size > 0 && readAt(Afile, size - 1, &last, 1) && last != '\n';
}

} // namespace

void journalAppend(const std::string& Apath, std::string_view Aline)
{
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end.
    const THandle file{openFile(Apath, FILE_APPEND_DATA | GENERIC_READ, OPEN_ALWAYS)};
    if (file.handle == INVALID_HANDLE_VALUE)
        fail("cannot be opened:", Apath);
    std::string bytes;
    if (endsTorn(file.handle, Apath))
        bytes = "\n";
    bytes += Aline;
    // One write: a crash leaves the line whole or torn, never interleaved.
    DWORD written = 0;
    if (!::WriteFile(file.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
        || written != bytes.size())
        fail("not writable:", Apath);
    if (!::FlushFileBuffers(file.handle))
        fail("not flushed:", Apath);
}

std::string journalTail(const std::string& Apath, std::size_t Amax)
{
    const THandle file{openFile(Apath, GENERIC_READ, OPEN_EXISTING)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {};
        fail("cannot be opened:", Apath, error);
    }
    const std::int64_t size = sizeOf(file.handle, Apath);
    const std::int64_t from = size > static_cast<std::int64_t>(Amax) ? size - static_cast<std::int64_t>(Amax) : 0;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    if (!tail.empty() && !readAt(file.handle, from, tail.data(), static_cast<DWORD>(tail.size())))
        fail("cannot be read:", Apath);
    return tail;
}

} // namespace ecr17::detail
