// Command-line helpers shared by the tools.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A wrong command line; what() is the one-line explanation.
struct TUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The exit status of a usage error (EX_USAGE).
inline constexpr int usageExitCode = 64;

// Decimal digits only, at most Amax; nullopt otherwise.
std::optional<std::uint64_t> toolParseUnsigned(std::string_view Atext, std::uint64_t Amax);

// Walks the arguments after the program name.
class TArgCursor {
public:
    TArgCursor(int Aargc, const char* const* Aargv);
    bool done() const noexcept { return Fnext >= Fargs.size(); }
    std::string_view next() { return Fargs[Fnext++]; }
    // The value that follows Aoption; a usage error when there is none.
    std::string_view valueOf(std::string_view Aoption);
    // The value of Aoption as a number in Amin..Amax; a usage error otherwise.
    std::uint64_t numberOf(std::string_view Aoption, std::uint64_t Amin, std::uint64_t Amax);

private:
    std::vector<std::string_view> Fargs;
    std::size_t Fnext = 0;
};
