// Runs one ecr17 command against a TECR and maps its outcome to an exit
// status: 0 when the operation returned true, 1 when it returned false, 2
// when it raised (the message goes to Aerr), 64 on a wrong command line.
#pragma once

#include "CliCommandLine.h"

#include <iosfwd>

struct TCliStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

int cliRun(const TCliRequest& Arequest, const TCliStreams& Astreams);

// The whole program: parses the arguments, then runs the command.
int cliMain(int Aargc, const char* const* Aargv, const TCliStreams& Astreams);
