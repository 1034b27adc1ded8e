#include "ParallelScale.h"

#include "ClientExchange.h"
#include "InstantTerminal.h"
#include "LatencySamples.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace {

using steady = std::chrono::steady_clock;

constexpr auto runLength = std::chrono::seconds(10);
constexpr int manyClients = 16;

struct TScaleRun {
    double paymentsPerSecond = 0;
    TLatencySamples latency;
};

// One client thread: its own terminal and TECR, paying until Adeadline.
void payUntil(const steady::time_point& Adeadline, std::latch& Aready, TLatencySamples& Alatency,
              std::exception_ptr& Aerror)
{
    bool arrived = false;
    try {
        const TInstantTerminal terminal;
        const auto ecr = benchClient(terminal.port());
        arrived = true;
        Aready.arrive_and_wait();
        while (steady::now() < Adeadline)
            Alatency.time([&] { clientPay(*ecr); });
    } catch (...) {
        Aerror = std::current_exception();
        if (!arrived)
            Aready.count_down();
    }
}

TScaleRun payInParallel(int Aclients)
{
    std::vector<TLatencySamples> latency(static_cast<std::size_t>(Aclients));
    std::vector<std::exception_ptr> errors(latency.size());
    std::latch ready(Aclients + 1);
    steady::time_point deadline;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < latency.size(); ++i)
        threads.emplace_back([&, i] { payUntil(deadline, ready, latency[i], errors[i]); });
    // Written before the latch opens, read by the clients after it.
    const auto start = steady::now();
    deadline = start + runLength;
    ready.arrive_and_wait();
    for (std::thread& t : threads)
        t.join();
    const double elapsed = std::chrono::duration<double>(steady::now() - start).count();
    TScaleRun run;
    for (std::size_t i = 0; i < latency.size(); ++i) {
        if (errors[i])
            std::rethrow_exception(errors[i]);
        run.latency.append(latency[i]);
    }
    run.paymentsPerSecond = static_cast<double>(run.latency.count()) / elapsed;
    return run;
}

void report(int Aclients, const TScaleRun& Arun)
{
    std::printf("%2d client(s): %.0f payments/s\n", Aclients, Arun.paymentsPerSecond);
    printLatency("  each payment", Arun.latency);
}

} // namespace

void runParallelScale()
{
    const TScaleRun one = payInParallel(1);
    report(1, one);
    const TScaleRun many = payInParallel(manyClients);
    report(manyClients, many);
    printResult("parallel_16_vs_1_throughput", many.paymentsPerSecond / one.paymentsPerSecond, "ratio");
}
