// ecr17-bridge as a program: its command line, its token file, its start
// line and how it stops.
#include "BridgeFixture.h"

#include "BridgeOptions.h"
#include "ToolArgs.h"

#include <sys/stat.h>

#include <csignal>
#include <fstream>

namespace fs = std::filesystem;

TEST(BridgeCommandLine, ReadsTheOptionsAndRefusesWrongOnes)
{
    const char* argv[] = {"ecr17-bridge", "--terminal", "192.168.1.50", "--listen", "[::1]:9000", "--journal", "j.jsonl",
                          "--allow-origin", "https://a.example", "--allow-origin", "http://b.example:8080"};
    const TBridgeOptions o = bridgeParseCommandLine(std::size(argv), argv);
    EXPECT_EQ(o.terminalHost, "192.168.1.50");
    EXPECT_EQ(o.terminalPort, 9100);
    EXPECT_EQ(o.listenHost, "::1");
    EXPECT_EQ(o.listenPort, 9000);
    EXPECT_EQ(o.journal, "j.jsonl");
    EXPECT_EQ(o.allowOrigins, (std::vector<std::string>{"https://a.example", "http://b.example:8080"}));

    const std::vector<std::vector<const char*>> wrong = {
        {"ecr17-bridge"},
        {"ecr17-bridge", "--terminal"},
        {"ecr17-bridge", "--terminal", "pos:0"},
        {"ecr17-bridge", "--terminal", "pos:x"},
        {"ecr17-bridge", "--terminal", "pos:70000"},
        {"ecr17-bridge", "--terminal", "pos", "--listen", ":80"},
        {"ecr17-bridge", "--terminal", "pos", "--allow-origin", "shop.example"},
        {"ecr17-bridge", "--terminal", "pos", "--allow-origin", "https://shop.example/"},
        {"ecr17-bridge", "--terminal", "pos", "--verbose"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.back());
        EXPECT_THROW(bridgeParseCommandLine(static_cast<int>(args.size()), args.data()), TUsageError);
    }
}

TEST(BridgeProgram, UsageErrorsExit64AndHelpExits0)
{
    TChildProcess missing({ECR17_BRIDGE_PATH});
    EXPECT_EQ(missing.wait(), usageExitCode);
    TChildProcess help({ECR17_BRIDGE_PATH, "--help"});
    EXPECT_EQ(help.readLine(), "Usage: ecr17-bridge --terminal HOST[:PORT] [options]");
    EXPECT_EQ(help.wait(), 0);
}

TEST_F(TBridgeTest, MakesAPrivateTokenFileOnceAndKeepsIt)
{
    start();
    struct stat info {};
    ASSERT_EQ(::stat((Fdir / "token").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Ftoken.size(), 64u);
    EXPECT_EQ(Ftoken.find_first_not_of("0123456789abcdef"), std::string::npos) << Ftoken;

    // A second bridge reads the same token from the file.
    TChildProcess second({ECR17_BRIDGE_PATH, "--terminal", "127.0.0.1:1", "--listen", "127.0.0.1:0", "--token-file",
                          (Fdir / "token").string()});
    const std::uint16_t port = bridgePortOf(second.readLine());
    ASSERT_NE(port, 0);
    EXPECT_EQ(TBridgeClient(port, Ftoken).post("/v1/close-session", "").status, 200);
    second.signal(SIGINT);
    EXPECT_EQ(second.readLine(), "ecr17-bridge stopped");
    EXPECT_EQ(second.wait(), 0);

    // A token that others may read is no secret: the bridge will not start.
    fs::permissions(Fdir / "token", fs::perms::group_read, fs::perm_options::add);
    TChildProcess refused({ECR17_BRIDGE_PATH, "--terminal", "127.0.0.1:1", "--listen", "127.0.0.1:0", "--token-file",
                           (Fdir / "token").string()});
    EXPECT_EQ(refused.readLine(), "");
    EXPECT_EQ(refused.wait(), 1);
}

TEST_F(TBridgeTest, StopsOnASignalOnlyAfterThePaymentInProgress)
{
    start(quickTerminal(), {}, true);
    TEventReader events(Fport);
    const THttpReply started = Fclient->post("/v1/payments", paymentBody("3.00"));
    ASSERT_EQ(started.status, 202);
    ASSERT_TRUE(Fgate.waitHeld());
    Fbridge->signal(SIGINT);
    EXPECT_EQ(events.waitFor([](const TStreamEvent& e) { return jsonMember(e.data, u"operation") == "bridge"; })->data,
              R"({"operation":"bridge","state":"stopping"})");
    const THttpReply refused = Fclient->get("/v1/status");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(refused.body, R"({"error":"The bridge is stopping"})");

    Fgate.release();
    EXPECT_EQ(jsonMember(events.waitForEnd("payment"), u"state"), "done");
    EXPECT_EQ(Fbridge->readLine(), "ecr17-bridge stopped");
    EXPECT_EQ(Fbridge->wait(), 0);
    Fbridge.reset();
    EXPECT_EQ(charges(), 1u);
}
