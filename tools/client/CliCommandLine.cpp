#include "CliCommandLine.h"

#include "CliAmount.h"
#include "ToolArgs.h"

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
        {"--progress", [](TArgCursor&, TCliRequest& r) { r.progress = true; }},
        {"--service-ticket", [](TArgCursor&, TCliRequest& r) { r.serviceTicket = true; }},
        {"--help", [](TArgCursor&, TCliRequest& r) { r.command = TCliCommand::Help; }},
    };
    return table;
}

struct TCommandSyntax {
    std::string_view name;
    TCliCommand command;
    std::size_t minArgs;
    std::size_t maxArgs;
    bool needsHost;
};

constexpr TCommandSyntax commands[] = {
    {"status", TCliCommand::Status, 0, 0, true},
    {"pay", TCliCommand::Pay, 1, 2, true},
    {"pay-async", TCliCommand::PayAsync, 1, 2, true},
    {"reprint", TCliCommand::Reprint, 0, 0, true},
    {"close-session", TCliCommand::CloseSession, 0, 0, true},
    {"validate", TCliCommand::Validate, 1, 1, false},
    {"format-receipt", TCliCommand::FormatReceipt, 0, 0, false},
};

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

const TCommandSyntax& commandNamed(std::string_view Aname)
{
    for (const TCommandSyntax& entry : commands)
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

void applyCommand(const std::vector<std::string_view>& Apositional, TCliRequest& Arequest)
{
    const TCommandSyntax& entry = commandNamed(Apositional.front());
    const std::size_t args = Apositional.size() - 1;
    if (args < entry.minArgs || args > entry.maxArgs)
        throw TUsageError("wrong number of arguments for " + std::string(entry.name) + " (see --help)");
    if (entry.needsHost && Arequest.host.empty())
        throw TUsageError(std::string(entry.name) + " needs --host");
    if (Arequest.serviceTicket && entry.command != TCliCommand::Reprint)
        throw TUsageError("--service-ticket goes with reprint only");
    Arequest.command = entry.command;
    if (args >= 1)
        Arequest.amount = amountOf(Apositional[1]);
    if (args == 2)
        Arequest.description = Apositional[2];
}

} // namespace

TCliRequest cliParseCommandLine(int Aargc, const char* const* Aargv)
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
    applyCommand(positional, request);
    return request;
}

std::string cliUsageText()
{
    return "Usage:\n"
           "  ecr17 [options] status\n"
           "  ecr17 [options] pay AMOUNT [DESCRIPTION]\n"
           "  ecr17 [options] pay-async AMOUNT [DESCRIPTION]\n"
           "  ecr17 [options] reprint [--service-ticket]\n"
           "  ecr17 [options] close-session\n"
           "  ecr17 validate AMOUNT\n"
           "  ecr17 [--cols N] format-receipt      (receipt text on standard input)\n"
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
           "  --progress           show the terminal's progress texts on standard error\n"
           "  --service-ticket     reprint the service ticket\n"
           "  --help               show this text\n"
           "\n"
           "Standard output carries the result text unchanged. Exit status: 0 when the operation\n"
           "returned true, 1 when it returned false, 2 on an error, 64 on a wrong command line.\n";
}
