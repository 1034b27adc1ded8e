// ecr17-bridge: the terminal over local HTTP.
#include "BridgeOptions.h"
#include "BridgeServer.h"
#include "BridgeTerminal.h"
#include "BridgeToken.h"
#include "EventHub.h"
#include "StopSignal.h"
#include "TextConvert.h"
#include "ToolArgs.h"

#include <exception>
#include <iostream>
#include <thread>

using namespace ecr17::detail;

namespace {

// The client's diagnostic log for the bridge's lifetime.
class TBridgeLog {
public:
    explicit TBridgeLog(const std::optional<std::string>& AlogFile) : Factive(AlogFile.has_value())
    {
        if (Factive && !TECR::logEnable(utf8ToText(*AlogFile)))
            std::cerr << "ecr17-bridge: the log file could not be opened: " << *AlogFile << '\n';
    }
    ~TBridgeLog()
    {
        if (Factive)
            TECR::logDisable();
    }
    TBridgeLog(const TBridgeLog&) = delete;
    TBridgeLog& operator=(const TBridgeLog&) = delete;

private:
    bool Factive;
};

std::string urlHost(const std::string& Ahost)
{
    return Ahost.find(':') == std::string::npos ? Ahost : "[" + Ahost + "]";
}

int run(const TBridgeOptions& Aoptions)
{
    TStopSignal stopSignal;
    const std::string token =
        bridgeLoadToken(Aoptions.tokenFile.empty() ? bridgeDefaultTokenFile() : Aoptions.tokenFile);
    const TBridgeLog log(Aoptions.logFile);
    TEventHub hub;
    TBridgeTerminal terminal(Aoptions, hub);
    TBridgeServer server(Aoptions, token, terminal, hub);
    const std::uint16_t port = server.bind();
    std::thread stopper([&] {
        stopSignal.wait();
        terminal.stop();
        server.stop();
    });
    std::cout << "ecr17-bridge listening on http://" << urlHost(Aoptions.listenHost) << ':' << port << '/'
              << std::endl;
    const bool served = server.run();
    stopSignal.raise();
    stopper.join();
    std::cout << "ecr17-bridge stopped" << std::endl;
    return served ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    TBridgeOptions options;
    try {
        options = bridgeParseCommandLine(argc, argv);
    } catch (const TUsageError& e) {
        std::cerr << "ecr17-bridge: " << e.what() << '\n';
        return usageExitCode;
    }
    if (options.help) {
        std::cout << bridgeHelpText();
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::cerr << "ecr17-bridge: " << e.what() << '\n';
        return 1;
    }
}
