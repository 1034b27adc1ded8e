// How a record is laid out in the log file: one JSON object per line, UTF-8.
#pragma once

#include "LoggerU.h"

#include <cstdint>
#include <string>
#include <string_view>

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD so the result is
// always valid UTF-8.
std::string logTextToUtf8(std::u16string_view AText);

// The name of a record kind in the file: info, warning, error, separator, enter, exit.
std::string_view logKindName(TLogRecordKind AKind) noexcept;

// Appends {"time":...,"pid":...,"tid":...,"kind":...,"text":...} and a line feed.
void appendLogRecordJson(std::string& AOut, std::int64_t ATimeNs, int APid, int ATid, TLogRecordKind AKind,
                         std::u16string_view AText);
