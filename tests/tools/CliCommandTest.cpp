// The ecr17 command as a whole: arguments in, exit status, standard output
// and standard error out, against the simulator.
#include "CliRun.h"
#include "SimFrames.h"
#include "TerminalSim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

struct TCliOutcome {
    int code;
    std::string out;
    std::string err;
};

TCliOutcome runCli(std::vector<std::string> Aargs, const std::string& Ainput = "")
{
    std::vector<const char*> argv{"ecr17"};
    for (const std::string& arg : Aargs)
        argv.push_back(arg.c_str());
    std::istringstream in(Ainput);
    std::ostringstream out, err;
    const int code = cliMain(static_cast<int>(argv.size()), argv.data(), {in, out, err});
    return {code, out.str(), err.str()};
}

void expectRun(const TCliOutcome& Arun, int Acode, const std::string& Aout, const std::string& Aerr)
{
    EXPECT_EQ(Arun.code, Acode);
    EXPECT_EQ(Arun.out, Aout);
    EXPECT_EQ(Arun.err, Aerr);
}

std::vector<std::string> at(const TTerminalSim& Asim, std::vector<std::string> Aargs)
{
    Aargs.insert(Aargs.begin(), {"--host", "127.0.0.1", "--port", std::to_string(Asim.port())});
    return Aargs;
}

TSimBehaviour fixedTerminal()
{
    TSimBehaviour b;
    b.statusDateTime = "0912262315";
    b.outcomeDateTime = "3432315";
    b.progressTexts = 1;
    return b;
}

const std::string approvedText = "Terminal ID: SIM00001\n"
                                 "Result: 00\n"
                                 "PAN: ************0019   \n"
                                 "Transaction Type: ICC\n"
                                 "Auth Code: A1B2C3\n"
                                 "Date/time: 3432315\n"
                                 "Description: \n"
                                 "Card Type: 1\n"
                                 "Acquirer ID: 00000012345\n"
                                 "STAN: 000001\n"
                                 "ID online: 000042\n";

} // namespace

TEST(CliCommand, StatusPrintsTheResultTextUnchanged)
{
    TTerminalSim sim(fixedTerminal());
    expectRun(runCli(at(sim, {"--text", "status"})), 0,
              "Terminal ID: SIM00001\nDate/time: 0912262315\nStatus: 0\nSW Release: SIM 1.0.0\n", "");
    expectRun(runCli(at(sim, {"status"})), 0,
              R"({"termID":"SIM00001","datetime":"0912262315","status":"0","SWrelease":"SIM 1.0.0"})", "");
}

TEST(CliCommand, PayWithReceiptAndProgress)
{
    TTerminalSim sim(fixedTerminal());
    const TCliOutcome r = runCli(at(sim, {"--print-mode", "2", "--text", "--progress", "pay", "0.01"}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, approvedText + "Receipt: SIMULATED TERMINAL\nTERMINAL SIM00001\nPAYMENT\nAMOUNT EUR 0.01\n"
                                    "STAN 000001\nAPPROVED AUTH A1B2C3\n\n");
    // Reported once, also when it arrives with the acknowledgement.
    EXPECT_EQ(r.err, "PROGRESS 1\n");
    ASSERT_TRUE(sim.waitForClosed(1));
    const auto frames = sim.connection(0).frames;
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[0], simFrame("000000000E2"));
    EXPECT_EQ(frames[1], simFrame("000000000P000000000000000000001" + std::string(128, ' ') + "00000000"));
}

TEST(CliCommand, MissingReceiptReportsTimeoutAndIncompleteReceiptButSucceeds)
{
    TSimBehaviour b = fixedTerminal();
    b.receiptBlocks = 0;
    TTerminalSim sim(b);
    expectRun(runCli(at(sim, {"--print-mode", "1", "--timeout", "5", "--text", "pay", "0.01"})), 0, approvedText,
              "Timeout\nReceipt incomplete\n");
}

TEST(CliCommand, PayAsyncPrintsWhatTheCallbackReceived)
{
    TTerminalSim sim(fixedTerminal());
    expectRun(runCli(at(sim, {"--text", "pay-async", "0.01"})), 0, approvedText, "");

    TSimBehaviour silent = fixedTerminal();
    silent.ackButNoAnswer = true;
    TTerminalSim quiet(silent);
    expectRun(runCli(at(quiet, {"--timeout", "5", "pay-async", "0.01"})), 0, "", "Timeout\n");
}

TEST(CliCommand, ErrorsExitWithTwoAndTheMessage)
{
    TTerminalSim sim(fixedTerminal());
    expectRun(runCli(at(sim, {"pay", "0"})), 2, "", "Amount non valid.\n");

    std::uint16_t closedPort;
    {
        TTerminalSim gone(std::vector<TSimScript>{});
        closedPort = gone.port();
    }
    const TCliOutcome refused = runCli({"--host", "127.0.0.1", "--port", std::to_string(closedPort), "status"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.err.rfind("Socket Error # ", 0), 0u) << refused.err;
}

TEST(CliCommand, ServiceCommandsAndLocalCommands)
{
    TTerminalSim sim(fixedTerminal());
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int code;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {at(sim, {"reprint", "--service-ticket"}), "", 0, "", ""},
        {at(sim, {"close-session"}), "", 1, "", ""},
        {{"validate", "0.01"}, "", 0, "", ""},
        {{"validate", "-1"}, "", 1, "", ""},
        {{"--cols", "12", "format-receipt"}, "abc}0123456789ABCDEF\x7F\x1B", 0, "abc\n0123456789AB\nCDEF", ""},
        {{"validate", "1.23456"}, "", 64, "",
         "ecr17: AMOUNT must be a decimal with \".\" and at most four decimals, not \"1.23456\"\n"},
        {{"status"}, "", 64, "", "ecr17: status needs --host\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        expectRun(runCli(c.args, c.input), c.code, c.out, c.err);
    }
    // Only reprint reached the terminal: close-session finds no open connection.
    ASSERT_TRUE(sim.waitForClosed(1));
    EXPECT_EQ(sim.connectionCount(), 1u);
    EXPECT_EQ(sim.connection(0).frames, (std::vector<std::string>{simFrame("000000000R010000000000")}));
}

TEST(CliCommand, LogOptionWritesTheLogFile)
{
    TTerminalSim sim(fixedTerminal());
    const auto dir = std::filesystem::temp_directory_path() / ("ecr17-cli-" + std::to_string(sim.port()));
    std::filesystem::create_directories(dir);
    const auto logFile = dir / "cli.log";
    EXPECT_EQ(runCli(at(sim, {"--log", logFile.string(), "status"})).code, 0);
    std::ifstream dlog(dir / "cli.dlog");
    const std::string content{std::istreambuf_iterator<char>(dlog), std::istreambuf_iterator<char>()};
    EXPECT_NE(content.find("Get EFT status completed"), std::string::npos);
    dlog.close(); // Windows removes no file that is open
    std::filesystem::remove_all(dir);
}

TEST(CliCommand, RecoveryThroughTheJournal)
{
    TSimBehaviour dropping = fixedTerminal();
    dropping.drop = TSimDrop::AfterCharge;
    TTerminalSim sim(dropping);
    const auto dir = std::filesystem::temp_directory_path() / ("ecr17-cli-journal-" + std::to_string(sim.port()));
    std::filesystem::create_directories(dir);
    const std::string journal = (dir / "payments.jsonl").string();
    const std::string refused = "A previous payment has no outcome: recover it first\n";
    expectRun(runCli(at(sim, {"--journal", journal, "--text", "pay", "0.01"})), 2, "", "Connection Closed Gracefully.\n");

    const TCliOutcome pending = runCli({"--journal", journal, "--text", "pending"});
    EXPECT_EQ(pending.code, 0);
    EXPECT_EQ(pending.out.rfind("Operation: payment\nAmount: 0.01\nSequence: 1\nStep: unknown\nTime: ", 0), 0u)
        << pending.out;
    expectRun(runCli(at(sim, {"--journal", journal, "pay", "0.01"})), 2, "", refused);
    expectRun(runCli(at(sim, {"--journal", journal, "reversal"})), 2, "", refused);
    EXPECT_EQ(sim.ledger().charges(), 1u);

    const TCliOutcome recovered = runCli(at(sim, {"--journal", journal, "--text", "recover"}));
    EXPECT_EQ(recovered.code, 0);
    EXPECT_EQ(recovered.out, approvedText + "Last result of: pending\n");
    expectRun(runCli({"--journal", journal, "pending"}), 1, "", "");
    expectRun(runCli({"--journal", journal, "resolve", "checked"}), 2, "", "No operation is pending\n");
    expectRun(runCli(at(sim, {"--text", "last-result"})), 0, approvedText, "");
    expectRun(runCli(at(sim, {"--text", "totals"})), 0, "Terminal ID: SIM00001\nResult: 00\nTotal: 0.01\n", "");
    const TCliOutcome reversed = runCli(at(sim, {"--journal", journal, "--text", "reversal", "000001"}));
    EXPECT_EQ(reversed.code, 0);
    EXPECT_NE(reversed.out.find("Result: 00\nPAN: "), std::string::npos) << reversed.out;
    expectRun(runCli(at(sim, {"--text", "totals"})), 0, "Terminal ID: SIM00001\nResult: 00\nTotal: 0.00\n", "");
    std::filesystem::remove_all(dir);
}

TEST(CliCommand, JournalCommandsNeedTheJournal)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"pending"}, "ecr17: pending needs --journal\n"},
        {{"--host", "h", "recover"}, "ecr17: recover needs --journal\n"},
        {{"--journal", "j", "resolve"}, "ecr17: wrong number of arguments for resolve (see --help)\n"},
        {{"--journal", "j", "--host", "h", "status"},
         "ecr17: --journal goes with pay, pay-async, reversal, pending, recover and resolve only\n"},
        {{"--host", "h", "reversal", "1", "2"}, "ecr17: wrong number of arguments for reversal (see --help)\n"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        expectRun(runCli(args), 64, "", message);
    }
}
