#include "ExchangeLatency.h"

#include "ClientExchange.h"
#include "InstantTerminal.h"
#include "LatencySamples.h"
#include "RawExchange.h"

#include <functional>

namespace {

// Rounds of interleaved exchanges: machines are shared and noisy, so raw and
// client samples are taken side by side rather than one phase after another.
constexpr int rounds = 10;
constexpr int perRound = 200;
constexpr int warmUp = 50;

struct TExchange {
    const char* name;
    std::function<void(std::uint16_t)> raw;
    std::function<void(TECR&)> client;
};

struct TFigures {
    TLatencySamples raw, logOff, logOn;
};

TFigures measure(const TExchange& Aexchange, const std::u16string& AlogFile)
{
    const TInstantTerminal terminal;
    const auto ecr = benchClient(terminal.port());
    for (int i = 0; i < warmUp; ++i) {
        Aexchange.raw(terminal.port());
        Aexchange.client(*ecr);
    }
    TFigures figures;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < perRound; ++i) {
            figures.raw.time([&] { Aexchange.raw(terminal.port()); });
            figures.logOff.time([&] { Aexchange.client(*ecr); });
        }
        // Disabling waits until every record is in the file, so the writer's
        // work is not left to slow down the next round's raw exchanges.
        enableLog(AlogFile);
        for (int i = 0; i < perRound; ++i)
            figures.logOn.time([&] { Aexchange.client(*ecr); });
        TECR::logDisable();
    }
    return figures;
}

void report(const TExchange& Aexchange, const TFigures& Afigures)
{
    const std::string name = Aexchange.name;
    printLatency(name + " raw sockets", Afigures.raw);
    printLatency(name + " TECR log off", Afigures.logOff);
    printLatency(name + " TECR log on", Afigures.logOn);
    printResult(name + "_vs_raw_log_off", Afigures.logOff.median() / Afigures.raw.median(), "ratio");
    printResult(name + "_vs_raw_log_on", Afigures.logOn.median() / Afigures.raw.median(), "ratio");
}

} // namespace

void runExchangeLatency(const std::u16string& AlogFile)
{
    const TExchange exchanges[] = {
        {"pay", rawPay, clientPay},
        {"status", rawStatus, clientStatus},
    };
    for (const TExchange& exchange : exchanges)
        report(exchange, measure(exchange, AlogFile));
}
