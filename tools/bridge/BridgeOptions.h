// The command line of ecr17-bridge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TBridgeOptions {
    std::string terminalHost;
    std::int32_t terminalPort = 9100;
    std::string listenHost = "127.0.0.1";
    std::uint16_t listenPort = 8417;   // 0: a free port
    std::optional<std::string> journal;
    std::optional<std::string> logFile;
    // Empty: the default place (bridgeDefaultTokenFile).
    std::string tokenFile;
    std::vector<std::string> allowOrigins;
    bool help = false;
};

// Raises TUsageError on a wrong command line (--terminal is required).
TBridgeOptions bridgeParseCommandLine(int Aargc, const char* const* Aargv);
std::string bridgeHelpText();

// HOST or HOST:PORT; a bracketed IPv6 address keeps its colons. Raises
// TUsageError, naming Aoption, when the port is not a number in 0..65535.
struct THostPort {
    std::string host;
    std::uint16_t port;
};
THostPort bridgeParseHostPort(std::string_view Atext, std::uint16_t AdefaultPort, std::string_view Aoption);
