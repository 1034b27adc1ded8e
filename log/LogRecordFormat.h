// How a record is laid out in the log file: one JSON object per line, UTF-8.
#pragma once

#include "LoggerU.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ecr17::detail {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD so the result is
// always valid UTF-8.
std::string logTextToUtf8(std::u16string_view AText);
// The other direction: malformed sequences become U+FFFD.
std::u16string logUtf8ToText(std::string_view AUtf8);

// The name of a record kind in the file: info, warning, error, separator, enter, exit.
std::string_view logKindName(TLogRecordKind AKind) noexcept;

// Appends {"time":...,"pid":...,"tid":...,"kind":...,"text":...} and a line
// feed. Keeps what repeats from one record to the next (the date and time to
// the second, the ids), since a Dispatcher formats millions of records.
class TLogRecordFormatter {
public:
    explicit TLogRecordFormatter(int APid) noexcept : FPid(APid) {}

    void append(std::string& AOut, std::int64_t ATimeNs, int ATid, TLogRecordKind AKind, std::u16string_view AText);

private:
    char* ids(char* AOut, int ATid) noexcept;

    const int FPid;
    std::int64_t FSecond = -1;
    char FDate[32] = {}; // "2026-12-09T22:15:39." of FSecond
    std::size_t FDateSize = 0;
    int FTid = 0;
    char FIds[48] = {}; // "\",\"pid\":1234,\"tid\":5678,\"kind\":\"" of FTid
    std::size_t FIdsSize = 0;
};

} // namespace ecr17::detail
