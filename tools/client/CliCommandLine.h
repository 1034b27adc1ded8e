// The command line of ecr17, the command-line client.
#pragma once

#include "ECR17_TypesU.h"

#include <cstdint>
#include <optional>
#include <string>

enum class TCliCommand { Help, Status, Pay, PayAsync, Reprint, CloseSession, Validate, FormatReceipt };

struct TCliRequest {
    TCliCommand command = TCliCommand::Help;
    Currency amount = 0;
    std::string description;        // UTF-8, as given
    std::string host;
    std::int32_t port = 9100;
    std::optional<std::int32_t> timeout;
    TPrintMode printMode = 0;
    bool text = false;              // labelled lines instead of JSON
    std::optional<std::uint16_t> cols;
    std::optional<std::string> logFile;
    bool progress = false;
    bool serviceTicket = false;
};

// Raises TUsageError, with a one-line explanation, on a wrong command line.
TCliRequest cliParseCommandLine(int Aargc, const char* const* Aargv);
std::string cliUsageText();
