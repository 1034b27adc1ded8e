// The commands of ecr17, one row each (see CliCommandLine.h), with their
// runners.
#pragma once

#include "CliCommandLine.h"

TCliCommands cliCommands();

// Exit statuses: the operation returned true, false, or raised.
inline constexpr int cliExitTrue = 0;
inline constexpr int cliExitFalse = 1;
inline constexpr int cliExitError = 2;

// Applies the request's options to the client.
void cliConfigure(TECR& Aecr, const TCliRequest& Ar);
