// Soak: 10,000 payments in a row (print mode 2, three receipt blocks) against
// the simulator with the log on. Resident memory and open descriptors at the
// end are compared with what they were after the first 100 payments; every
// result is checked, and every log record handed to the tool must be in the
// file.
#include "DiagLoggerU.h"
#include "ECR17u.h"
#include "LogDispatcher.h"
#include "LoggerU.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace ecr17::detail;

namespace fs = std::filesystem;

namespace {

constexpr int payments = 10'000;
constexpr int warmUp = 100;

long residentKb()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

long openDescriptors()
{
    long n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

long countLines(const fs::path& APath)
{
    std::ifstream in(APath);
    long n = 0;
    for (std::string line; std::getline(in, line);)
        ++n;
    return n;
}

// The simulator runs in a process of its own, so that only the client's
// memory and descriptors are measured here.
struct TSimProcess {
    pid_t pid = -1;
    int port = 0;

    TSimProcess()
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char* argv[] = {const_cast<char*>(ECR17_SIM_PATH), const_cast<char*>("--port"), const_cast<char*>("0"),
                        const_cast<char*>("--quiet"), nullptr};
        if (::posix_spawn(&pid, ECR17_SIM_PATH, &actions, nullptr, argv, environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // "ecr17-sim listening on 127.0.0.1:PORT"
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        const auto colon = line.rfind(':');
        if (colon != std::string::npos)
            port = std::atoi(line.c_str() + colon + 1);
    }
    ~TSimProcess()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

bool approvedWithReceipt(const std::u16string& Ares, bool Atimeout)
{
    return !Atimeout && Ares.find(u"Result: 00\n") != std::u16string::npos &&
           Ares.find(u"Receipt: ") != std::u16string::npos;
}

} // namespace

int main()
{
    const fs::path logFile = fs::temp_directory_path() / ("ecr17-soak-" + std::to_string(::getpid()) + ".log");
    const fs::path dlogFile = fs::path(logFile).replace_extension(".dlog");
    fs::remove(dlogFile);
    auto* tool = dynamic_cast<TDispatcherLogger*>(&Logger());
    const std::uint64_t acceptedBefore = tool ? tool->acceptedRecords() : 0;

    TSimProcess sim;
    if (sim.port == 0) {
        std::fprintf(stderr, "soak: the simulator did not start\n");
        return 1;
    }
    const std::string name = logFile.string();
    if (!TECR::logEnable(std::u16string(name.begin(), name.end()))) {
        std::fprintf(stderr, "soak: cannot open the log file %s\n", name.c_str());
        return 1;
    }
    long failures = 0, rssStart = 0, fdStart = 0;
    const auto start = std::chrono::steady_clock::now();
    {
        TECR ecr;
        ecr.setHost(u"127.0.0.1");
        ecr.setPort(sim.port);
        ecr.setJSONOut(false);
        ecr.setPrintMode(2);
        for (int i = 1; i <= payments; ++i) {
            std::u16string res;
            bool timedOut = false;
            if (!ecr.pay(100, u"", res, timedOut) || !approvedWithReceipt(res, timedOut))
                ++failures;
            if (i == warmUp) {
                rssStart = residentKb();
                fdStart = openDescriptors();
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long rssEnd = residentKb();
    const long fdEnd = openDescriptors();
    TECR::logDisable(); // writes out every queued record
    const long accepted = tool ? long(tool->acceptedRecords() - acceptedBefore) : -1;
    const long inFile = countLines(dlogFile);
    fs::remove(dlogFile);

    std::printf("soak: %d payments in %.1f s (%.0f/s), %ld failed\n", payments, seconds, payments / seconds, failures);
    std::printf("soak: resident %ld kB after %d, %ld kB at the end; descriptors %ld and %ld\n", rssStart, warmUp,
                rssEnd, fdStart, fdEnd);
    std::printf("soak: %ld log records handed to the tool, %ld lines in the file\n", accepted, inFile);
    std::printf("RESULT soak_failed_payments %ld count\n", failures);
    std::printf("RESULT soak_rss_growth %ld kB\n", rssEnd - rssStart);
    std::printf("RESULT soak_fd_growth %ld count\n", fdEnd - fdStart);
    std::printf("RESULT soak_log_lost_records %ld count\n", accepted - inFile);
    std::printf("RESULT soak_payments_per_second %.0f per_s\n", payments / seconds);
    return failures == 0 && accepted == inFile ? 0 : 1;
}
