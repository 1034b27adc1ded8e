#include "SimCommandLine.h"

#include "ToolArgs.h"
#include "ToolOptions.h"

#include <functional>
#include <utility>
#include <string_view>

namespace {

using TOption = TToolOption<TSimCommandLine>;
using TApply = decltype(TOption::apply);

constexpr std::uint64_t maxCount = 1000;
constexpr std::uint64_t maxDelayMs = 600000;

TApply delay(std::chrono::milliseconds TSimBehaviour::*Afield, std::string_view Aname)
{
    return [Afield, Aname](TArgCursor& Aargs, TSimCommandLine& Aline) {
        Aline.behaviour.*Afield = std::chrono::milliseconds(Aargs.numberOf(Aname, 0, maxDelayMs));
    };
}

TApply count(std::size_t TSimBehaviour::*Afield, std::string_view Aname, std::uint64_t Amin)
{
    return [Afield, Aname, Amin](TArgCursor& Aargs, TSimCommandLine& Aline) {
        Aline.behaviour.*Afield = Aargs.numberOf(Aname, Amin, maxCount);
    };
}

TApply text(std::string TSimBehaviour::*Afield, std::string_view Aname)
{
    return [Afield, Aname](TArgCursor& Aargs, TSimCommandLine& Aline) {
        Aline.behaviour.*Afield = std::string(Aargs.valueOf(Aname));
    };
}

TApply flag(bool TSimBehaviour::*Afield)
{
    return [Afield](TArgCursor&, TSimCommandLine& Aline) { Aline.behaviour.*Afield = true; };
}

void messageCode(TArgCursor& Aargs, TSimCommandLine& Aline)
{
    const std::string_view code = Aargs.valueOf("--message-code");
    if (code != "E" && code != "V")
        throw TUsageError("option --message-code takes E or V, not \"" + std::string(code) + "\"");
    Aline.behaviour.messageCode = code[0];
}

void drop(TArgCursor& Aargs, TSimCommandLine& Aline)
{
    static const std::pair<std::string_view, TSimDrop> places[] = {
        {"before-ack", TSimDrop::BeforeAck},
        {"after-ack", TSimDrop::AfterAck},
        {"after-charge", TSimDrop::AfterCharge},
        {"after-outcome", TSimDrop::AfterOutcome},
        {"silent-after-charge", TSimDrop::SilentAfterCharge},
        {"during-receipt", TSimDrop::DuringReceipt},
    };
    const std::string_view place = Aargs.valueOf("--drop");
    for (const auto& [name, value] : places)
        if (name == place) {
            Aline.behaviour.drop = value;
            return;
        }
    throw TUsageError("option --drop takes before-ack, after-ack, after-charge, after-outcome, "
                      "silent-after-charge or during-receipt, not \"" + std::string(place) + "\"");
}

void result(TArgCursor& Aargs, TSimCommandLine& Aline)
{
    const std::string_view code = Aargs.valueOf("--result");
    if (code.size() != 2)
        throw TUsageError("option --result takes two characters, not \"" + std::string(code) + "\"");
    Aline.behaviour.result = code;
}

const TToolOptions<TSimCommandLine>& options()
{
    static const TToolOptions<TSimCommandLine> table = {
        {"--host", "ADDR", "IPv4 address to listen on (default 127.0.0.1)",
         [](TArgCursor& a, TSimCommandLine& l) { l.host = a.valueOf("--host"); }},
        {"--port", "PORT", "TCP port to listen on (default 9100; 0 picks a free one)",
         [](TArgCursor& a, TSimCommandLine& l) { l.port = static_cast<std::uint16_t>(a.numberOf("--port", 0, 65535)); }},
        {"--result", "CODE", "payment result: 00 approved (default), 01 refused, any other two characters", result},
        {"--message-code", "E|V", "message code of the payment outcome (default E)", messageCode},
        {"--progress", "N", "progress texts before the payment outcome (default 2)",
         count(&TSimBehaviour::progressTexts, "--progress", 0)},
        {"--receipt-blocks", "N", "receipt blocks after the outcome when the print mode is 1 or 2 (default 3; 0: no receipt)",
         count(&TSimBehaviour::receiptBlocks, "--receipt-blocks", 0)},
        {"--terminal-id", "ID", "terminal id in responses (8 characters, default SIM00001)",
         text(&TSimBehaviour::termID, "--terminal-id")},
        {"--status", "C", "status character of the status response (default 0)", text(&TSimBehaviour::status, "--status")},
        {"--sw-release", "TEXT", "software release of the status response (default \"SIM 1.0.0\")",
         text(&TSimBehaviour::swRelease, "--sw-release")},
        {"--ack-delay", "MS", "wait before acknowledging a command", delay(&TSimBehaviour::ackDelay, "--ack-delay")},
        {"--answer-delay", "MS", "wait before a status response or a payment outcome",
         delay(&TSimBehaviour::answerDelay, "--answer-delay")},
        {"--progress-delay", "MS", "wait before each progress text", delay(&TSimBehaviour::progressDelay, "--progress-delay")},
        {"--receipt-delay", "MS", "wait before each receipt block", delay(&TSimBehaviour::receiptDelay, "--receipt-delay")},
        {"--never-ack", "", "read commands but never acknowledge them", flag(&TSimBehaviour::neverAck)},
        {"--no-answer", "", "acknowledge commands but never answer them", flag(&TSimBehaviour::ackButNoAnswer)},
        {"--close-at", "N", "close the connection instead of its N-th transmission (acknowledgements, progress texts, "
                            "responses and receipt blocks all count)",
         count(&TSimBehaviour::closeAt, "--close-at", 1)},
        {"--reset-at", "N", "reset the connection instead of its N-th transmission",
         count(&TSimBehaviour::resetAt, "--reset-at", 1)},
        {"--split", "", "send every frame in two pieces", flag(&TSimBehaviour::splitFrames)},
        {"--split-pause", "MS", "time between the two pieces of a split frame (default 50)",
         delay(&TSimBehaviour::splitPause, "--split-pause")},
        {"--garbage", "", "send a few garbage bytes before every frame",
         [](TArgCursor&, TSimCommandLine& l) { l.behaviour.garbage = simDefaultGarbage; }},
        {"--flood", "", "after acknowledging a payment, send STX and then bytes without end, never an ETX",
         flag(&TSimBehaviour::flood)},
        {"--repeat-outcome", "", "instead of the receipt, send the payment outcome again and again (--receipt-delay apart)",
         flag(&TSimBehaviour::repeatOutcome)},
        {"--one-packet", "", "send a payment's acknowledgement with its progress texts, and its outcome with every "
                             "receipt block, each in one write",
         flag(&TSimBehaviour::onePacket)},
        {"--endless-receipt", "", "send receipt blocks without end, none with the end mark",
         flag(&TSimBehaviour::endlessReceipt)},
        {"--late-outcome", "", "do not acknowledge a payment request, but charge it and send its outcome after the "
                               "acknowledgement of the next command on the connection",
         flag(&TSimBehaviour::lateOutcome)},
        {"--nul-in-fields", "", "put a NUL inside the terminal id of every response",
         [](TArgCursor&, TSimCommandLine& l) { l.behaviour.termID = std::string("SIM\0" "0001", 8); }},
        {"--drop-connects", "", "never accept a connection: connects get no answer, as when SYNs are dropped",
         [](TArgCursor&, TSimCommandLine& l) { l.dropConnects = true; }},
        {"--drop", "PLACE", "during one payment (see --drop-payment), drop the connection at PLACE: before-ack "
                            "(request not acknowledged), after-ack, after-charge (charged, no outcome sent), "
                            "after-outcome (before its acknowledgement), silent-after-charge (charged, then never "
                            "answers), during-receipt (after one receipt block)",
         drop},
        {"--drop-payment", "N", "the payment request --drop applies to, counted from 1 (default 1)",
         count(&TSimBehaviour::dropPayment, "--drop-payment", 1)},
        {"--quiet", "", "do not print the traffic", [](TArgCursor&, TSimCommandLine& l) { l.quiet = true; }},
        {"--help", "", "show this text and exit", [](TArgCursor&, TSimCommandLine& l) { l.help = true; }},
    };
    return table;
}

} // namespace

TSimCommandLine simParseCommandLine(int Aargc, const char* const* Aargv)
{
    TSimCommandLine line;
    toolApplyOptions(options(), Aargc, Aargv, line);
    return line;
}

std::string simHelpText()
{
    std::string help =
        "Usage: ecr17-sim [options]\n"
        "A payment terminal on a TCP port: it acknowledges commands, answers status and payment\n"
        "requests (progress texts, outcome, receipt blocks), reversals, totals and \"send last result\",\n"
        "and acknowledges print mode, reprint and close session (which starts the total again).\n"
        "It serves one connection at a time and prints what it receives (<-) and sends (->),\n"
        "control characters shown as <STX>, <ETX>, <ACK>... Ctrl-C stops it.\n\n"
        "Options:\n";
    return help + toolOptionsHelp(options());
}
