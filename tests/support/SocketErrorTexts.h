// The socket errors as this platform's build reports them: errno codes on
// Linux, Winsock codes on Windows, with the same words.
#pragma once

#include <string>

#ifdef _WIN32
inline constexpr int kRefusedCode = 10061;  // WSAECONNREFUSED
inline constexpr int kTimedOutCode = 10060; // WSAETIMEDOUT
#else
#include <cerrno>
inline constexpr int kRefusedCode = ECONNREFUSED;
inline constexpr int kTimedOutCode = ETIMEDOUT;
#endif

inline const std::string kRefusedText = "Socket Error # " + std::to_string(kRefusedCode) + "\r\nConnection refused.";
inline const std::string kTimedOutText =
    "Socket Error # " + std::to_string(kTimedOutCode) + "\r\nConnection timed out.";
