// ecr17-sim: the terminal simulator as a program.
#include "SimCommandLine.h"
#include "SimShow.h"
#include "SimStopRequest.h"
#include "TerminalSim.h"
#include "ToolArgs.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <mutex>

namespace {

const char* arrow(TSimEvent::Kind Akind)
{
    switch (Akind) {
    case TSimEvent::Kind::Received:
        return "<- ";
    case TSimEvent::Kind::Sent:
        return "-> ";
    case TSimEvent::Kind::Accepted:
        return "connected";
    case TSimEvent::Kind::Closed:
        return "closed: ";
    }
    return "";
}

void printEvent(const TSimEvent& Aevent)
{
    static std::mutex output;
    std::lock_guard lock(output);
    std::cout << '[' << Aevent.connection + 1 << "] " << arrow(Aevent.kind) << simShow(Aevent.bytes) << std::endl;
}

int run(const TSimCommandLine& Aline)
{
    TSimStopRequest stopRequest;
    TSimConfig config{Aline.host, Aline.port, {}, Aline.dropConnects};
    if (!Aline.quiet)
        config.observer = printEvent;
    TTerminalSim sim(Aline.behaviour, config);
    std::cout << "ecr17-sim listening on " << Aline.host << ':' << sim.port() << std::endl;
    stopRequest.wait();
    std::cout << "ecr17-sim stopped" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    TSimCommandLine line;
    try {
        line = simParseCommandLine(argc, argv);
    } catch (const TUsageError& e) {
        std::cerr << "ecr17-sim: " << e.what() << '\n';
        return usageExitCode;
    }
    if (line.help) {
        std::cout << simHelpText();
        return 0;
    }
    try {
        return run(line);
    } catch (const std::exception& e) {
        std::cerr << "ecr17-sim: " << e.what() << '\n';
        return 1;
    }
}
