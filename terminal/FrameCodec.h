// The character-level format of the ECR17 link.
//
// A command travels as STX message ETX LRC; the LRC is 0x7F XORed with every
// character from STX to ETX inclusive. Both sides acknowledge with the
// three-character frame ACK ETX LRC (06 03 7A). A response's payload lies
// between its first STX and the next ETX; a progress text between SOH and EOT.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ecr17::detail {

inline constexpr char16_t SOH = 0x01;
inline constexpr char16_t STX = 0x02;
inline constexpr char16_t ETX = 0x03;
inline constexpr char16_t EOT = 0x04;
inline constexpr char16_t ACK = 0x06;
inline constexpr char16_t ESC = 0x1B;

// 0x7F XORed with the low 8 bits of every character; of the bytes as they
// are on the wire.
std::uint8_t calcLRC(std::u16string_view Atext) noexcept;
std::uint8_t calcLRC(std::string_view Abytes) noexcept;

// The characters strictly between the first AstartChar and the next AendChar
// (searched from the start character's own position); empty when there is no
// such pair.
std::u16string extractBetween(std::u16string_view Atext, char16_t AstartChar, char16_t AendChar);

// The character the wire carries for Ac: itself up to U+007F, '?' otherwise.
constexpr char16_t wireChar(char16_t Ac) noexcept { return Ac <= 0x7F ? Ac : u'?'; }

// A caller's text inside a command: control characters and DEL become '?' as
// well, so that no text can put a frame delimiter on the wire.
constexpr char16_t textChar(char16_t Ac) noexcept { return Ac < 0x20 || Ac == 0x7F ? u'?' : wireChar(Ac); }

// STX + message + ETX + LRC. Characters above U+007F are replaced by '?'
// before the LRC is computed, so the LRC always matches the bytes sent.
std::u16string frameCommand(std::u16string_view Amessage);

// ACK ETX LRC.
std::u16string ackFrame();

} // namespace ecr17::detail
