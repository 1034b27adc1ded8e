// Log throughput against a well-known logger's asynchronous and synchronous
// (buffered) file loggers, in one run.
//
// Each writer thread hands 1,000,000 short records to the logger; the clock
// stops when every record is in the file. Ratios above 1 mean we are faster;
// the "best" ratio is against the faster of the two.
#include "DiagLoggerU.h"
#include "LogDispatcher.h"

#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace ecr17::detail;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int recordsPerThread = 1'000'000;
constexpr int repeats = 3;

fs::path scratch(const std::string& AName)
{
    return fs::temp_directory_path() / ("ecr17-bench-" + std::to_string(::getpid()) + "-" + AName);
}

long countLines(const fs::path& APath)
{
    std::ifstream in(APath);
    long n = 0;
    for (std::string line; std::getline(in, line);)
        ++n;
    return n;
}

template <class F> double runThreads(int AThreads, F&& AWrite)
{
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int t = 0; t < AThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < recordsPerThread; ++i)
                AWrite();
        });
    for (auto& t : threads)
        t.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct TRun {
    double recordsPerSecond;
    long lost;
};

TRun runOurs(int AThreads)
{
    const fs::path file = scratch("ours.dlog");
    fs::remove(file);
    TDispatcherLogger tool;
    TLogToolLogger* previous = setLogger(&tool);
    const std::string name = file.string();
    dlogEnable(std::u16string(name.begin(), name.end()));
    const auto start = Clock::now();
    runThreads(AThreads, [] { dlogMsg(u"Payment frame sended to terminal", lvInfo); });
    tool.CloseDispatcher();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    setLogger(previous);
    const long expected = long(AThreads) * recordsPerThread + 2; // separator and "Log Enabled"
    const long lost = expected - countLines(file);
    fs::remove(file);
    return {AThreads * double(recordsPerThread) / seconds, lost};
}

enum class TTheirs { Async, Sync };

TRun runTheirs(int AThreads, TTheirs AKind)
{
    const fs::path file = scratch("theirs.log");
    fs::remove(file);
    std::shared_ptr<spdlog::logger> logger;
    if (AKind == TTheirs::Async) {
        spdlog::init_thread_pool(8192, 1);
        logger = spdlog::basic_logger_mt<spdlog::async_factory>("bench", file.string(), true);
    } else {
        logger = spdlog::basic_logger_mt("bench", file.string(), true); // buffered, no flush per record
    }
    const auto start = Clock::now();
    runThreads(AThreads, [&] { logger->info("Payment frame sended to terminal"); });
    logger->flush();
    logger.reset();
    spdlog::shutdown(); // joins the asynchronous worker once the queue is written
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long lost = long(AThreads) * recordsPerThread - countLines(file);
    fs::remove(file);
    return {AThreads * double(recordsPerThread) / seconds, lost};
}

double median(std::vector<double> AValues)
{
    std::sort(AValues.begin(), AValues.end());
    return AValues[AValues.size() / 2];
}

// The caller's cost of one record while the file is active, in nanoseconds.
double callerCostNs()
{
    const fs::path file = scratch("cost.dlog");
    TDispatcherLogger tool;
    TLogToolLogger* previous = setLogger(&tool);
    const std::string name = file.string();
    dlogEnable(std::u16string(name.begin(), name.end()));
    std::vector<double> perCall;
    for (int batch = 0; batch < 2000; ++batch) {
        const auto start = Clock::now();
        for (int i = 0; i < 100; ++i)
            dlogMsg(u"Payment frame sended to terminal", lvInfo);
        perCall.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() / 100);
    }
    tool.CloseDispatcher();
    setLogger(previous);
    fs::remove(file);
    return median(perCall);
}

} // namespace

int main()
{
    long lost = 0;
    for (int threads : {1, 2}) {
        std::vector<double> ours, async, sync;
        for (int r = 0; r < repeats; ++r) {
            const TRun a = runOurs(threads);
            ours.push_back(a.recordsPerSecond);
            lost += a.lost;
            async.push_back(runTheirs(threads, TTheirs::Async).recordsPerSecond);
            sync.push_back(runTheirs(threads, TTheirs::Sync).recordsPerSecond);
        }
        std::printf("log %dt: ours %.0f records/s, spdlog async %.0f, spdlog sync %.0f (median of %d)\n", threads,
                    median(ours), median(async), median(sync), repeats);
        std::printf("RESULT log_vs_spdlog_%dt %.2f ratio\n", threads, median(ours) / median(async));
        std::printf("RESULT log_vs_spdlog_best_%dt %.2f ratio\n", threads,
                    median(ours) / std::max(median(async), median(sync)));
    }
    std::printf("RESULT log_lost_records %ld count\n", lost);
    std::printf("RESULT log_call_median_ns %.0f ns\n", callerCostNs());
}
