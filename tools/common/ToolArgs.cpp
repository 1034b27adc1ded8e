#include "ToolArgs.h"

#include <charconv>

std::optional<std::uint64_t> toolParseUnsigned(std::string_view Atext, std::uint64_t Amax)
{
    if (Atext.empty() || Atext.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(Atext.data(), Atext.data() + Atext.size(), value);
    if (error != std::errc() || end != Atext.data() + Atext.size() || value > Amax)
        return std::nullopt;
    return value;
}

TArgCursor::TArgCursor(int Aargc, const char* const* Aargv)
{
    for (int i = 1; i < Aargc; ++i)
        Fargs.emplace_back(Aargv[i]);
}

std::string_view TArgCursor::valueOf(std::string_view Aoption)
{
    if (done())
        throw TUsageError("option " + std::string(Aoption) + " needs a value");
    return next();
}

std::uint64_t TArgCursor::numberOf(std::string_view Aoption, std::uint64_t Amin, std::uint64_t Amax)
{
    const std::string_view text = valueOf(Aoption);
    const auto value = toolParseUnsigned(text, Amax);
    if (!value || *value < Amin)
        throw TUsageError("option " + std::string(Aoption) + " takes a number from " + std::to_string(Amin) +
                          " to " + std::to_string(Amax) + ", not \"" + std::string(text) + "\"");
    return *value;
}
