// Plain blocking socket helpers shared by the instant terminal and the raw
// client: nothing here waits longer than the peer takes to answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A socket descriptor closed when released.
class TSocket {
public:
    TSocket() = default;
    explicit TSocket(int Afd) noexcept : Ffd(Afd) {}
    ~TSocket();
    TSocket(TSocket&& Aother) noexcept : Ffd(Aother.release()) {}
    TSocket& operator=(TSocket&& Aother) noexcept;
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    int fd() const noexcept { return Ffd; }
    int release() noexcept;

private:
    int Ffd = -1;
};

// Small frames answered one by one: no segment may wait for Nagle.
void setNoDelay(int Afd);

// A blocking connection to 127.0.0.1:Aport; raises std::system_error.
TSocket connectLoopback(std::uint16_t Aport);

// Every byte of Abytes; raises std::system_error.
void sendAll(int Afd, std::string_view Abytes);

// The next complete frame (command, response or ACK ETX LRC), read with
// blocking recv into Abuffer; nullopt at the end of the stream. With AstopFd
// the wait also ends (nullopt) once AstopFd becomes readable.
std::optional<std::string> readFrame(int Afd, std::string& Abuffer, int AstopFd = -1);
