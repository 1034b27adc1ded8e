// Reads log files the way a user's tools would: every line with Python's
// strict JSON reader (StrictRecordsPosix.cpp). Under Wine no Python runs, so
// the Windows build reads each line strictly as the record's own shape:
// one object of exactly its members, JSON strings and integers
// (StrictRecordsWin.cpp).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct TFileRecord {
    int pid;
    int tid;
    std::string kind;
    std::string text;
};

// The records of APath in order. A line that is not a whole JSON object with
// exactly the record's members, ended by a line feed, fails the test.
std::vector<TFileRecord> strictRecords(const std::filesystem::path& APath);

// The lines of APath as they stand.
std::vector<std::string> readLines(const std::filesystem::path& APath);

// The value of a string member in one of our lines (no escapes expected).
std::string member(const std::string& ALine, const std::string& AName);
