#include "CliCommandLine.h"

#include "CliAmount.h"
#include "ToolArgs.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>

namespace {

using TApply = std::function<void(TArgCursor&, TCliRequest&)>;

struct TOption {
    std::string_view name;
    TApply apply;
};

constexpr std::uint64_t maxTimeout = std::numeric_limits<std::int32_t>::max();

const std::vector<TOption>& options()
{
    static const std::vector<TOption> table = {
        {"--host", [](TArgCursor& a, TCliRequest& r) { r.host = a.valueOf("--host"); }},
        {"--port", [](TArgCursor& a, TCliRequest& r) { r.port = static_cast<std::int32_t>(a.numberOf("--port", 1, 65535)); }},
        {"--timeout",
         [](TArgCursor& a, TCliRequest& r) { r.timeout = static_cast<std::int32_t>(a.numberOf("--timeout", 0, maxTimeout)); }},
        {"--print-mode",
         [](TArgCursor& a, TCliRequest& r) { r.printMode = static_cast<TPrintMode>(a.numberOf("--print-mode", 0, 2)); }},
        {"--text", [](TArgCursor&, TCliRequest& r) { r.text = true; }},
        {"--cols", [](TArgCursor& a, TCliRequest& r) { r.cols = static_cast<std::uint16_t>(a.numberOf("--cols", 12, 64)); }},
        {"--log", [](TArgCursor& a, TCliRequest& r) { r.logFile = std::string(a.valueOf("--log")); }},
        {"--journal", [](TArgCursor& a, TCliRequest& r) { r.journal = std::string(a.valueOf("--journal")); }},
        {"--progress", [](TArgCursor&, TCliRequest& r) { r.progress = true; }},
        {"--service-ticket", [](TArgCursor&, TCliRequest& r) { r.serviceTicket = true; }},
        {"--help", [](TArgCursor&, TCliRequest& r) { r.command = nullptr; }},
    };
    return table;
}

// "-1" is an amount, not an option; "--x" and "-x" are options.
bool isOption(std::string_view Aarg)
{
    return Aarg.size() > 1 && Aarg[0] == '-' && !(Aarg[1] >= '0' && Aarg[1] <= '9');
}

void applyOption(std::string_view Aname, TArgCursor& Aargs, TCliRequest& Arequest)
{
    for (const TOption& option : options()) {
        if (option.name == Aname) {
            option.apply(Aargs, Arequest);
            return;
        }
    }
    throw TUsageError("unknown option \"" + std::string(Aname) + "\"");
}

const TCliCommandSpec& commandNamed(TCliCommands Acommands, std::string_view Aname)
{
    for (const TCliCommandSpec& entry : Acommands)
        if (entry.name == Aname)
            return entry;
    throw TUsageError("unknown command \"" + std::string(Aname) + "\"");
}

Currency amountOf(std::string_view Atext)
{
    const auto amount = cliParseAmount(Atext);
    if (!amount)
        throw TUsageError("AMOUNT must be a decimal with \".\" and at most four decimals, not \"" +
                          std::string(Atext) + "\"");
    return *amount;
}

void checkOptions(const TCliCommandSpec& Aentry, const TCliRequest& Arequest)
{
    const std::string name(Aentry.name);
    if (Aentry.needsHost && Arequest.host.empty())
        throw TUsageError(name + " needs --host");
    if (Arequest.serviceTicket && name != "reprint")
        throw TUsageError("--service-ticket goes with reprint only");
    if (Aentry.journal == TCliJournal::Required && !Arequest.journal)
        throw TUsageError(name + " needs --journal");
    if (Aentry.journal == TCliJournal::Refused && Arequest.journal)
        throw TUsageError("--journal goes with pay, pay-async, reversal, pending, recover and resolve only");
}

void applyArguments(const TCliCommandSpec& Aentry, std::span<const std::string_view> Aargs, TCliRequest& Arequest)
{
    if (Aargs.empty())
        return;
    if (Aentry.args == TCliArgs::AmountText) {
        Arequest.amount = amountOf(Aargs[0]);
        if (Aargs.size() == 2)
            Arequest.description = Aargs[1];
    } else if (Aentry.args == TCliArgs::Text) {
        Arequest.argument = Aargs[0];
    }
}

void applyCommand(TCliCommands Acommands, const std::vector<std::string_view>& Apositional, TCliRequest& Arequest)
{
    const TCliCommandSpec& entry = commandNamed(Acommands, Apositional.front());
    const std::size_t args = Apositional.size() - 1;
    if (args < entry.minArgs || args > entry.maxArgs)
        throw TUsageError("wrong number of arguments for " + std::string(entry.name) + " (see --help)");
    checkOptions(entry, Arequest);
    Arequest.command = &entry;
    applyArguments(entry, std::span(Apositional).subspan(1), Arequest);
}

} // namespace

TCliRequest cliParseCommandLine(int Aargc, const char* const* Aargv, TCliCommands Acommands)
{
    TCliRequest request;
    bool help = false;
    std::vector<std::string_view> positional;
    for (TArgCursor args(Aargc, Aargv); !args.done();) {
        const std::string_view arg = args.next();
        if (!isOption(arg)) {
            positional.push_back(arg);
            continue;
        }
        applyOption(arg, args, request);
        help = help || arg == "--help";
    }
    if (help)
        return request;
    if (positional.empty())
        throw TUsageError("no command given (see --help)");
    applyCommand(Acommands, positional, request);
    return request;
}

std::string cliUsageText(TCliCommands Acommands)
{
    constexpr std::size_t synopsisWidth = 48;
    std::string usage = "Usage:\n";
    for (const TCliCommandSpec& entry : Acommands) {
        std::string line = "  ecr17 " + std::string(entry.synopsis);
        line.resize(std::max(line.size() + 1, synopsisWidth), ' ');
        usage += line + std::string(entry.help) + "\n";
    }
    return usage +
           "\n"
           "AMOUNT is a decimal with \".\" and at most four decimals (0.01, 12.5, -1, 0).\n"
           "\n"
           "Options:\n"
           "  --host H             terminal address (needed by every command that talks to it)\n"
           "  --port P             terminal port, 1..65535 (default 9100)\n"
           "  --timeout S          seconds to wait for the outcome and each receipt block (5..120, default 60)\n"
           "  --print-mode 0|1|2   print mode announced before a payment; 1 and 2 collect the receipt (default 0)\n"
           "  --text               labelled lines instead of JSON\n"
           "  --cols N             receipt width, 12..64 (default 24)\n"
           "  --log FILE           write the diagnostic log next to FILE (extension .dlog)\n"
           "  --journal FILE       the payment journal: payments and reversals are recorded before they are\n"
           "                       sent, and refused while one has no outcome (see recover)\n"
           "  --progress           show the terminal's progress texts on standard error\n"
           "  --service-ticket     reprint the service ticket\n"
           "  --help               show this text\n"
           "\n"
           "Standard output carries the result text unchanged. Exit status: 0 when the operation\n"
           "returned true, 1 when it returned false, 2 on an error, 64 on a wrong command line.\n";
}
