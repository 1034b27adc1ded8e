#include "IdleCost.h"

#include "ClientExchange.h"
#include "InstantTerminal.h"
#include "LatencySamples.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace {

constexpr std::int32_t waitSeconds = 10;

double processCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

} // namespace

void runIdleCost(const std::u16string& AlogFile)
{
    // The terminal thread sleeps in poll() the whole time, so the process CPU
    // time is the client's (and its log writer's).
    const TInstantTerminal terminal(TInstantTerminal::TMode::AckOnly);
    const auto ecr = benchClient(terminal.port(), waitSeconds);
    ecr->setPrintMode(0);
    TECR::logEnable(AlogFile);
    std::u16string result;
    bool timedOut = false;
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    const bool paid = ecr->pay(100, u"", result, timedOut);
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    TECR::logDisable();
    if (paid || !timedOut)
        throw std::runtime_error("TECR::pay did not time out against a silent terminal");
    std::printf("idle wait %.2f s: CPU %.3f ms\n", wall, cpu * 1e3);
    printResult("idle_cpu_percent", 100.0 * cpu / wall, "%");
}
