#include "JournalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ecr17::detail {

namespace {

[[noreturn]] void fail(const char* Awhat, const std::string& Apath)
{
    throw std::runtime_error(std::string("Journal ") + Awhat + " " + Apath + ": " + std::strerror(errno));
}

// Closes a descriptor on every path.
struct TFd {
    int fd;
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool endsTorn(int Afd)
{
    const off_t size = ::lseek(Afd, 0, SEEK_END);
    char last = '\n';
    return size > 0 && ::pread(Afd, &last, 1, size - 1) == 1 && last != '\n';
}

void writeAll(int Afd, std::string_view Abytes, const std::string& Apath)
{
    while (!Abytes.empty()) {
        const ssize_t n = ::write(Afd, Abytes.data(), Abytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("not writable:", Apath);
        Abytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace

void journalAppend(const std::string& Apath, std::string_view Aline)
{
    const TFd file{::open(Apath.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600)};
    if (file.fd < 0)
        fail("cannot be opened:", Apath);
    const std::string bytes = (endsTorn(file.fd) ? std::string(1, '\n') : std::string()).append(Aline);
    // One write: a crash leaves the line whole or torn, never interleaved.
    writeAll(file.fd, bytes, Apath);
    if (::fsync(file.fd) != 0)
        fail("not flushed:", Apath);
}

std::string journalTail(const std::string& Apath, std::size_t Amax)
{
    const TFd file{::open(Apath.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno == ENOENT)
            return {};
        fail("cannot be opened:", Apath);
    }
    const off_t size = ::lseek(file.fd, 0, SEEK_END);
    if (size < 0)
        fail("cannot be read:", Apath);
    const off_t from = size > static_cast<off_t>(Amax) ? size - static_cast<off_t>(Amax) : 0;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    std::size_t got = 0;
    while (got < tail.size()) {
        const ssize_t n = ::pread(file.fd, tail.data() + got, tail.size() - got, from + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("cannot be read:", Apath);
        got += static_cast<std::size_t>(n);
    }
    return tail;
}

} // namespace ecr17::detail
