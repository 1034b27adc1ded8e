#include "BridgeOptions.h"

#include "ToolArgs.h"
#include "ToolOptions.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace {

using TOption = TToolOption<TBridgeOptions>;
using TApply = decltype(TOption::apply);

void terminal(TArgCursor& Aargs, TBridgeOptions& Aoptions)
{
    const THostPort where = bridgeParseHostPort(Aargs.valueOf("--terminal"), 9100, "--terminal");
    if (where.port == 0)
        throw TUsageError("option --terminal needs a port from 1 to 65535");
    Aoptions.terminalHost = where.host;
    Aoptions.terminalPort = where.port;
}

void listen(TArgCursor& Aargs, TBridgeOptions& Aoptions)
{
    const THostPort where = bridgeParseHostPort(Aargs.valueOf("--listen"), 8417, "--listen");
    Aoptions.listenHost = where.host;
    Aoptions.listenPort = where.port;
}

void origin(TArgCursor& Aargs, TBridgeOptions& Aoptions)
{
    const std::string_view value = Aargs.valueOf("--allow-origin");
    // A browser sends an origin as scheme://host[:port], never with a path.
    const std::size_t scheme = value.find("://");
    if (scheme == std::string_view::npos || scheme == 0 || value.find('/', scheme + 3) != std::string_view::npos)
        throw TUsageError("option --allow-origin takes an origin such as https://shop.example, not \"" +
                          std::string(value) + "\"");
    Aoptions.allowOrigins.emplace_back(value);
}

const TToolOptions<TBridgeOptions>& options()
{
    static const TToolOptions<TBridgeOptions> table = {
        {"--terminal", "HOST[:PORT]", "the payment terminal (port 9100 unless given); required", terminal},
        {"--listen", "ADDR[:PORT]", "address to serve HTTP on (default 127.0.0.1:8417; port 0 picks a free one)",
         listen},
        {"--journal", "FILE", "payment journal, so that an outcome lost with the connection can be recovered",
         [](TArgCursor& a, TBridgeOptions& o) { o.journal = std::string(a.valueOf("--journal")); }},
        {"--log", "FILE", "diagnostic log of the terminal client",
         [](TArgCursor& a, TBridgeOptions& o) { o.logFile = std::string(a.valueOf("--log")); }},
        {"--token-file", "FILE", "file with the bearer token, made with a random token when missing (default "
                                 "~/.config/ecr17/bridge.token)",
         [](TArgCursor& a, TBridgeOptions& o) { o.tokenFile = std::string(a.valueOf("--token-file")); }},
        {"--allow-origin", "ORIGIN", "a web origin whose pages may call the bridge (CORS); may be repeated", origin},
        {"--help", "", "show this text and exit", [](TArgCursor&, TBridgeOptions& o) { o.help = true; }},
    };
    return table;
}

} // namespace

THostPort bridgeParseHostPort(std::string_view Atext, std::uint16_t AdefaultPort, std::string_view Aoption)
{
    std::string_view host = Atext;
    std::string_view port;
    const std::size_t colon = Atext.rfind(':');
    const bool bracketed = !Atext.empty() && Atext.front() == '[';
    const std::size_t close = Atext.find(']');
    if (colon != std::string_view::npos && (!bracketed || (close != std::string_view::npos && colon > close))) {
        host = Atext.substr(0, colon);
        port = Atext.substr(colon + 1);
    }
    if (bracketed && host.size() >= 2 && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const auto number = port.empty() ? std::optional<std::uint64_t>(AdefaultPort) : toolParseUnsigned(port, 65535);
    if (host.empty() || !number || (colon != std::string_view::npos && port.empty() && !bracketed))
        throw TUsageError("option " + std::string(Aoption) + " takes HOST or HOST:PORT, not \"" + std::string(Atext) +
                          "\"");
    return {std::string(host), static_cast<std::uint16_t>(*number)};
}

TBridgeOptions bridgeParseCommandLine(int Aargc, const char* const* Aargv)
{
    TBridgeOptions parsed;
    toolApplyOptions(options(), Aargc, Aargv, parsed);
    if (!parsed.help && parsed.terminalHost.empty())
        throw TUsageError("option --terminal is required (see --help)");
    return parsed;
}

std::string bridgeHelpText()
{
    std::string help =
        "Usage: ecr17-bridge --terminal HOST[:PORT] [options]\n"
        "A local HTTP server that drives one payment terminal, for point-of-sale programs that run\n"
        "in a browser or on a server. JSON in and out under /v1/, progress as Server-Sent Events\n"
        "at /v1/events, a demo page at /. Requests that change something need the bearer token\n"
        "of the token file. Ctrl-C stops it once the operation in progress has ended.\n\n"
        "Options:\n";
    return help + toolOptionsHelp(options(), 28);
}
