// The bearer token that every changing request must carry.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The token in Apath. A missing file is made, readable and writable only by
// its owner, with a new random token; a file that others may read is
// refused, since anyone who reads it can charge cards. Raises
// std::runtime_error with the reason.
std::string bridgeLoadToken(const std::string& Apath);

// ~/.config/ecr17/bridge.token (XDG_CONFIG_HOME when set); its folder is
// made, for the owner only, when missing.
std::string bridgeDefaultTokenFile();

// Abytes bytes of the system's random source as lower-case hexadecimal.
std::string bridgeRandomHex(std::size_t Abytes);

// Compares in a time that does not depend on where the texts differ.
bool bridgeSameSecret(std::string_view Aa, std::string_view Ab) noexcept;
