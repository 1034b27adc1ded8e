// The link's frames as raw bytes, as the terminal side reads and writes them.
#pragma once

#include "FrameCodec.h"

#include <optional>
#include <string>
#include <string_view>

// A control character of the link (SOH, STX, ...) as the byte on the wire.
constexpr char simByte(char16_t Acontrol) noexcept { return static_cast<char>(Acontrol); }

// STX message ETX LRC, the LRC taken over the bytes from STX to ETX.
std::string simFrame(std::string_view Amessage);
// ACK ETX LRC (06 03 7A).
std::string simAckFrame();
// SOH text EOT: a progress text.
std::string simProgress(std::string_view Atext);
// The bytes between the first STX and the next ETX.
std::string simPayload(std::string_view Aframe);
bool simIsAck(std::string_view Aframe);

// Takes the first complete frame out of Abuffer: STX..ETX plus the check
// character, or ACK ETX plus the check character. Bytes before it are
// dropped; an incomplete frame stays in the buffer for more bytes to come.
std::optional<std::string> simTakeFrame(std::string& Abuffer);
