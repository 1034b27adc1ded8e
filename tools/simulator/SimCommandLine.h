// The command line of ecr17-sim.
#pragma once

#include "SimBehaviour.h"

#include <cstdint>
#include <string>

struct TSimCommandLine {
    std::string host = "127.0.0.1";
    std::uint16_t port = 9100;
    TSimBehaviour behaviour;
    bool quiet = false;
    bool dropConnects = false;
    bool help = false;
};

// Raises TUsageError on a wrong command line.
TSimCommandLine simParseCommandLine(int Aargc, const char* const* Aargv);
// Lists every option.
std::string simHelpText();
