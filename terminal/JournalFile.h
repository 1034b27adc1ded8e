// The payment journal's file: durable appends and reading the tail.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ecr17::detail {

// Appends Aline (which ends in LF) to the file at Apath, creating it readable
// by its owner only, and returns once the line is on the disk (fsync). A
// last line torn by a crash is ended with an LF first, so that the new line
// stands whole. Raises std::runtime_error when the file cannot be written.
void journalAppend(const std::string& Apath, std::string_view Aline);

// The last Amax bytes of the file (all of it when shorter); empty when the
// file does not exist. Raises std::runtime_error when it cannot be read.
std::string journalTail(const std::string& Apath, std::size_t Amax);

} // namespace ecr17::detail
