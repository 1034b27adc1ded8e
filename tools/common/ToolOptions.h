// A tool's options as a table: one row each (name, argument, help line, what
// it does), from which the tool's parser and its help text are both made.
#pragma once

#include "ToolArgs.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

template <class Target>
struct TToolOption {
    std::string_view name;
    std::string_view argument;  // shown after the name in the help; empty for a flag
    std::string_view help;
    std::function<void(TArgCursor&, Target&)> apply;
};

template <class Target>
using TToolOptions = std::vector<TToolOption<Target>>;

// Applies every argument as an option of the table; an unknown one is a usage error.
template <class Target>
void toolApplyOptions(const TToolOptions<Target>& Aoptions, int Aargc, const char* const* Aargv, Target& Atarget)
{
    for (TArgCursor args(Aargc, Aargv); !args.done();) {
        const std::string_view name = args.next();
        const auto found = std::find_if(Aoptions.begin(), Aoptions.end(),
                                        [&](const TToolOption<Target>& Aoption) { return Aoption.name == name; });
        if (found == Aoptions.end())
            throw TUsageError("unknown option \"" + std::string(name) + "\" (see --help)");
        found->apply(args, Atarget);
    }
}

// "  --name ARG" padded to Acolumns, then the help line; one line a row.
template <class Target>
std::string toolOptionsHelp(const TToolOptions<Target>& Aoptions, std::size_t Acolumns = 24)
{
    std::string help;
    for (const TToolOption<Target>& option : Aoptions) {
        std::string head = "  " + std::string(option.name);
        if (!option.argument.empty())
            head += " " + std::string(option.argument);
        head.resize(std::max(head.size() + 1, Acolumns), ' ');
        help += head + std::string(option.help) + "\n";
    }
    return help;
}
