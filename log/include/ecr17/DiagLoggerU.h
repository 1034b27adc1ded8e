// The diagnostic log: process-wide routines over the logging tool.
//
// Five levels map onto the tool's three message kinds; a message of exactly
// 31 equals signs is a separator; control characters can be escaped as "$"
// and two hexadecimal digits so that link frames read as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum TLogLevel : std::uint8_t { lvInfo = 0, lvNotice = 1, lvWarning = 2, lvError = 3, lvConfig = 4 };

// Exactly 31 equals signs.
inline constexpr std::u16string_view dlogSeparator = u"===============================";

// Switches the log file on, named after AFileName with the extension ".dlog".
// Raises std::runtime_error "Log tool not installed" when the log is off and
// the tool is missing; any other failure leaves dlogActive() false.
void dlogEnable(const std::u16string& AFileName);
bool dlogActive() noexcept;
// Switches the log file off and closes the tool's Dispatcher. Never raises.
void dlogDisable() noexcept;
// Appends the (escaped) message to Awritten and writes all of Awritten.
void dlogMsg(std::u16string_view Amsg, TLogLevel Alevel, std::u16string& Awritten);
// The same with a scratch text, for callers that do not look at it.
void dlogMsg(std::u16string_view Amsg, TLogLevel Alevel = lvInfo);
void dlogSetHexControlChars(bool Aflag) noexcept;
// The log file's directory and name joined; empty before the first dlogEnable.
std::u16string dlogFileName();

// The file name with its extension replaced by ".dlog" (appended when it has none).
std::u16string dlogChangeExt(std::u16string_view AFileName);
