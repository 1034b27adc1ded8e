// The command line of ecr17, the command-line client.
//
// Every command is one row of a table (TCliCommandSpec): the parser checks
// its arguments against the row, the usage text is made from the rows, and
// the runner of the row carries the command out. The table itself lives with
// the runners (CliCommands.h); the parser takes it as a parameter, so that it
// needs no terminal client.
#pragma once

#include "ECR17_TypesU.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class TECR;
struct TCliRequest;
struct TCliStreams;

// What follows the command's name.
enum class TCliArgs {
    None,
    AmountText,  // AMOUNT, then an optional description
    Text,        // one free text (a STAN, a note)
};

// Whether a command works with the payment journal (--journal FILE).
enum class TCliJournal { Refused, Optional, Required };

struct TCliCommandSpec {
    std::string_view name;
    std::string_view synopsis;  // the usage line after "ecr17 "
    std::string_view help;      // what the command does, one line
    TCliArgs args;
    std::size_t minArgs;
    std::size_t maxArgs;
    bool needsHost;
    TCliJournal journal;
    int (*run)(TECR&, const TCliRequest&, const TCliStreams&);
};

using TCliCommands = std::span<const TCliCommandSpec>;

struct TCliRequest {
    const TCliCommandSpec* command = nullptr;  // none: show the usage text
    Currency amount = 0;
    std::string description;        // UTF-8, as given
    std::string argument;           // the text of a Text command, UTF-8
    std::string host;
    std::int32_t port = 9100;
    std::optional<std::int32_t> timeout;
    TPrintMode printMode = 0;
    bool text = false;              // labelled lines instead of JSON
    std::optional<std::uint16_t> cols;
    std::optional<std::string> logFile;
    std::optional<std::string> journal;
    bool progress = false;
    bool serviceTicket = false;
};

// Raises TUsageError, with a one-line explanation, on a wrong command line.
TCliRequest cliParseCommandLine(int Aargc, const char* const* Aargv, TCliCommands Acommands);
std::string cliUsageText(TCliCommands Acommands);
