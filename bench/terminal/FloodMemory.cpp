#include "FloodMemory.h"

#include "ECR17u.h"
#include "TerminalSim.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

// One payment of 0.01 with a 5 s time-out (the shortest there is), then the
// process's peak resident memory in KiB.
long payAndMeasure(bool Aflood)
{
    TSimBehaviour behaviour;
    behaviour.flood = Aflood;
    TTerminalSim sim(behaviour);
    TECR ecr;
    ecr.setHost(u"127.0.0.1");
    ecr.setPort(sim.port());
    ecr.setTimeout(5);
    std::u16string res;
    bool timedOut = false;
    ecr.pay(100, u"", res, timedOut);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs payAndMeasure in a child, so that each figure is a process's own peak.
long peakInChild(bool Aflood)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(pipeFds[0]);
        const long kib = payAndMeasure(Aflood);
        const bool written = ::write(pipeFds[1], &kib, sizeof kib) == static_cast<ssize_t>(sizeof kib);
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeFds[1]);
    long kib = 0;
    const bool read = ::read(pipeFds[0], &kib, sizeof kib) == static_cast<ssize_t>(sizeof kib);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the measuring process failed");
    return kib;
}

} // namespace

void runFloodMemory()
{
    const long healthy = peakInChild(false);
    const long flooded = peakInChild(true);
    std::printf("peak resident memory: healthy payment %.1f MiB, flooded for 5 s %.1f MiB\n", healthy / 1024.0,
                flooded / 1024.0);
    std::printf("RESULT pay_flood_peak_rss_extra %.1f MiB\n", (flooded - healthy) / 1024.0);
    std::fflush(stdout);
}
