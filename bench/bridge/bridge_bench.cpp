// What the bridge adds to a status request: GET /v1/status through an
// in-process bridge (keep-alive HTTP on 127.0.0.1) against the same status
// with the client library directly, alternated in one run so that both see
// the same machine. Measured twice: against the simulator, the terminal of
// the project's tests and demos (RESULT bridge_status_vs_direct), and
// against a terminal that answers at once, where the bridge's share is
// largest (RESULT bridge_status_vs_direct_instant_terminal). Each ratio is
// the median through the bridge over the median directly.
#include "BridgeServer.h"
#include "BridgeTerminal.h"
#include "ECR17u.h"
#include "EventHub.h"
#include "InstantTerminal.h"
#include "LatencySamples.h"
#include "TerminalSim.h"

#include <httplib.h>

#include <cstdio>
#include <stdexcept>
#include <thread>

namespace {

constexpr int warmUp = 50;
constexpr int rounds = 1000;

void directStatus(TECR& Aecr)
{
    std::u16string res;
    if (!Aecr.status(res))
        throw std::runtime_error("the direct status failed");
}

void bridgeStatus(httplib::Client& Aclient)
{
    const auto reply = Aclient.Get("/v1/status");
    if (!reply || reply->status != 200 || reply->body.find("\"ok\":true") == std::string::npos)
        throw std::runtime_error("the status through the bridge failed");
}

// A bridge in front of the terminal on Aport, serving on its own threads
// for the lifetime of the object.
class TBenchBridge {
public:
    explicit TBenchBridge(std::uint16_t AterminalPort)
        : Foptions(optionsFor(AterminalPort)), Fterminal(Foptions, Fhub), Fserver(Foptions, "bench", Fterminal, Fhub),
          Fport(Fserver.bind()), Fserving([this] { Fserver.run(); })
    {
    }
    ~TBenchBridge()
    {
        Fterminal.stop();
        Fserver.stop();
        Fserving.join();
    }
    std::uint16_t port() const noexcept { return Fport; }

private:
    static TBridgeOptions optionsFor(std::uint16_t AterminalPort)
    {
        TBridgeOptions options;
        options.terminalHost = "127.0.0.1";
        options.terminalPort = AterminalPort;
        options.listenPort = 0;
        return options;
    }

    TBridgeOptions Foptions;
    TEventHub Fhub;
    TBridgeTerminal Fterminal;
    TBridgeServer Fserver;
    std::uint16_t Fport;
    std::thread Fserving;
};

void compare(const std::string& Aterminal, std::uint16_t AterminalPort, const std::string& AresultName)
{
    TBenchBridge bridge(AterminalPort);
    TECR direct;
    direct.setHost(u"127.0.0.1");
    direct.setPort(AterminalPort);
    httplib::Client client("127.0.0.1", bridge.port());
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);

    TLatencySamples directSamples;
    TLatencySamples bridgeSamples;
    for (int i = 0; i < warmUp; ++i) {
        directStatus(direct);
        bridgeStatus(client);
    }
    for (int i = 0; i < rounds; ++i) {
        directSamples.time([&] { directStatus(direct); });
        bridgeSamples.time([&] { bridgeStatus(client); });
    }
    client.stop();
    printLatency("status, " + Aterminal + ", client library", directSamples);
    printLatency("status, " + Aterminal + ", through the bridge", bridgeSamples);
    std::printf("bridge's added median: %.1f us\n", bridgeSamples.median() - directSamples.median());
    printResult(AresultName, bridgeSamples.median() / directSamples.median(), "ratio");
}

} // namespace

int main()
{
    {
        TTerminalSim sim(TSimBehaviour{});
        compare("simulator", sim.port(), "bridge_status_vs_direct");
    }
    {
        TInstantTerminal terminal;
        compare("instant terminal", terminal.port(), "bridge_status_vs_direct_instant_terminal");
    }
    return 0;
}
