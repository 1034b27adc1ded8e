// What reaches the log file when the process ends: everything on a normal
// exit, all but the last 100 ms when it is killed.
#include "DiagLoggerU.h"
#include "LoggerU.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

enum class TEnd { Exit, Kill, Abort };

constexpr int records = 1000;

// Runs the production tool in a child process that logs and then ends as
// asked; returns the number of lines in its log file.
int linesAfter(TEnd AEnd)
{
    const fs::path file = fs::temp_directory_path() / ("ecr17-durable-" + std::to_string(::getpid()) + "-" +
                                                       std::to_string(int(AEnd)) + ".dlog");
    fs::remove(file);
    const pid_t child = ::fork();
    if (child == 0) {
        setLogger(nullptr);
        const std::string name = file.string();
        dlogEnable(std::u16string(name.begin(), name.end()));
        for (int i = 0; i < records; ++i)
            dlogMsg(u"record", lvInfo);
        switch (AEnd) {
        case TEnd::Exit: std::exit(0); // runs the static destructors, as returning from main does
        case TEnd::Kill:
        case TEnd::Abort:
            // The promise covers records older than 100 ms; the margin is for
            // sanitizer builds on a loaded machine.
            ::usleep(400'000);
            std::signal(SIGABRT, SIG_DFL);
            ::raise(AEnd == TEnd::Kill ? SIGKILL : SIGABRT);
        }
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    std::ifstream in(file);
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    fs::remove(file);
    return lines;
}

TEST(LogDurability, NormalExitLosesNothing)
{
    EXPECT_EQ(linesAfter(TEnd::Exit), records + 2);
}

TEST(LogDurability, KilledOrAbortedProcessKeepsOlderRecords)
{
    EXPECT_EQ(linesAfter(TEnd::Kill), records + 2);
    EXPECT_EQ(linesAfter(TEnd::Abort), records + 2);
}

} // namespace
