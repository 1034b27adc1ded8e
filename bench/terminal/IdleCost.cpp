#include "IdleCost.h"

#include "ClientExchange.h"
#include "InstantTerminal.h"
#include "LatencySamples.h"
#include "LinkConstants.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <utility>

using namespace ecr17::detail;

namespace {

constexpr std::int32_t waitSeconds = 10;
constexpr int floorPolls = 50;

double processCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// CPU and wall seconds of Aoperation.
template <class F>
std::pair<double, double> cpuAndWall(F&& Aoperation)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    Aoperation();
    const double cpu = processCpuSeconds() - cpuStart;
    return {cpu, std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count()};
}

// What waking up for every poll period costs on this machine by itself: a
// bare poll() loop with the link's period on an idle connection.
double bareWaitCpuPercent(std::uint16_t Aport)
{
    const TSocket socket = connectLoopback(Aport);
    const auto [cpu, wall] = cpuAndWall([&] {
        for (int i = 0; i < floorPolls; ++i) {
            pollfd pfd{socket.fd(), POLLIN, 0};
            ::poll(&pfd, 1, kPollMs);
        }
    });
    return 100.0 * cpu / wall;
}

} // namespace

void runIdleCost(const std::u16string& AlogFile)
{
    // The terminal thread sleeps in poll() the whole time, so the process CPU
    // time is the client's (and its log writer's).
    const TInstantTerminal terminal(TInstantTerminal::TMode::AckOnly);
    const auto ecr = benchClient(terminal.port(), waitSeconds);
    ecr->setPrintMode(0);
    enableLog(AlogFile);
    std::u16string result;
    bool timedOut = false;
    bool paid = false;
    const auto [cpu, wall] = cpuAndWall([&] { paid = ecr->pay(oneCent, u"", result, timedOut); });
    TECR::logDisable();
    if (paid || !timedOut)
        throw std::runtime_error("TECR::pay did not time out against a silent terminal");
    std::printf("idle wait %.2f s: CPU %.3f ms\n", wall, cpu * 1e3);
    std::printf("platform floor, a bare %d ms poll loop: %.3f %%\n", kPollMs, bareWaitCpuPercent(terminal.port()));
    printResult("idle_cpu_percent", 100.0 * cpu / wall, "%");
}
