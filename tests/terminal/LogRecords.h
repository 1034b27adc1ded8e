// Helpers to look at what a TMemoryLogTool recorded.
#pragma once

#include "MemoryLogTool.h"

#include <algorithm>
#include <string>
#include <vector>

inline TLogRecord info(std::u16string Atext) { return {TLogRecordKind::Info, std::move(Atext)}; }
inline TLogRecord warning(std::u16string Atext) { return {TLogRecordKind::Warning, std::move(Atext)}; }
inline TLogRecord error(std::u16string Atext) { return {TLogRecordKind::Error, std::move(Atext)}; }
inline TLogRecord enter(std::u16string Atext) { return {TLogRecordKind::Enter, std::move(Atext)}; }
inline TLogRecord leave(std::u16string Atext) { return {TLogRecordKind::Exit, std::move(Atext)}; }

inline long countOf(const std::vector<TLogRecord>& Arecords, const TLogRecord& Arecord)
{
    return std::count(Arecords.begin(), Arecords.end(), Arecord);
}

// The records of one kind, texts only.
inline std::vector<std::u16string> textsOf(const std::vector<TLogRecord>& Arecords, TLogRecordKind Akind)
{
    std::vector<std::u16string> texts;
    for (const TLogRecord& r : Arecords)
        if (r.kind == Akind)
            texts.push_back(r.text);
    return texts;
}

// gtest prints records readably.
inline void PrintTo(const TLogRecord& Arecord, std::ostream* Aout)
{
    static const char* const kinds[] = {"Info", "Warning", "Error", "Separator", "Enter", "Exit"};
    *Aout << kinds[static_cast<int>(Arecord.kind)] << " \"";
    for (char16_t c : Arecord.text)
        *Aout << (c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.');
    *Aout << '"';
}
