#include "BridgeToken.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace {

constexpr std::size_t tokenBytes = 32;

std::runtime_error fileError(const std::string& Apath, const std::string& Awhat)
{
    return std::runtime_error("token file " + Apath + ": " + Awhat);
}

void makeToken(const std::string& Apath, int Afd)
{
    const std::string token = bridgeRandomHex(tokenBytes) + "\n";
    const bool written = ::write(Afd, token.data(), token.size()) == static_cast<ssize_t>(token.size());
    ::close(Afd);
    if (!written)
        throw fileError(Apath, "cannot be written");
}

std::string readToken(const std::string& Apath)
{
    struct stat info {};
    if (::stat(Apath.c_str(), &info) != 0)
        throw fileError(Apath, std::strerror(errno));
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        throw fileError(Apath, "others may read it; make it readable by its owner only (chmod 600)");
    std::ifstream in(Apath);
    std::string token;
    in >> token;
    if (token.empty())
        throw fileError(Apath, "holds no token");
    return token;
}

} // namespace

std::string bridgeLoadToken(const std::string& Apath)
{
    // O_EXCL: of two bridges starting at once, one makes the file and the
    // other reads it.
    const int fd = ::open(Apath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0)
        makeToken(Apath, fd);
    else if (errno != EEXIST)
        throw fileError(Apath, std::strerror(errno));
    return readToken(Apath);
}

std::string bridgeDefaultTokenFile()
{
    namespace fs = std::filesystem;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    fs::path folder = config && *config ? fs::path(config) : fs::path(home ? home : ".") / ".config";
    folder /= "ecr17";
    std::error_code ignored;
    if (fs::create_directories(folder, ignored))
        fs::permissions(folder, fs::perms::owner_all, ignored);
    return (folder / "bridge.token").string();
}

std::string bridgeRandomHex(std::size_t Abytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::random_device source;
    std::string text;
    for (std::size_t i = 0; i < Abytes; ++i) {
        const unsigned byte = source() & 0xFFu;
        text += digits[byte >> 4];
        text += digits[byte & 0xFu];
    }
    return text;
}

bool bridgeSameSecret(std::string_view Aa, std::string_view Ab) noexcept
{
    // The length of a token is no secret; its characters are.
    if (Aa.size() != Ab.size() || Ab.empty())
        return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < Aa.size(); ++i)
        diff |= static_cast<unsigned char>(Aa[i] ^ Ab[i]);
    return diff == 0;
}
