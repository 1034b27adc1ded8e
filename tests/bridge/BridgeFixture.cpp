#include "BridgeFixture.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr auto gateWait = std::chrono::seconds(20);

} // namespace

void TPaymentGate::observe(const TSimEvent& Aevent)
{
    std::unique_lock lock(Fmutex);
    if (Aevent.kind == TSimEvent::Kind::Received && Aevent.bytes.find("000000000P") != std::string::npos) {
        FsawRequest = true;
        return;
    }
    // The acknowledgement of the request is out: hold before the outcome.
    if (Aevent.kind == TSimEvent::Kind::Sent && FsawRequest && !Freleased) {
        Fheld = true;
        Fchanged.notify_all();
        Fchanged.wait(lock, [this] { return Freleased; });
    }
}

bool TPaymentGate::waitHeld()
{
    std::unique_lock lock(Fmutex);
    return Fchanged.wait_for(lock, gateWait, [this] { return Fheld; });
}

void TPaymentGate::release()
{
    std::lock_guard lock(Fmutex);
    Freleased = true;
    Fchanged.notify_all();
}

std::uint16_t bridgePortOf(const std::string& AstartLine)
{
    const std::string prefix = "ecr17-bridge listening on http://127.0.0.1:";
    if (AstartLine.rfind(prefix, 0) != 0 || AstartLine.back() != '/')
        return 0;
    return static_cast<std::uint16_t>(std::stoi(AstartLine.substr(prefix.size())));
}

fs::path TBridgeTest::makeDir()
{
    static std::atomic<int> count{0};
    const fs::path dir =
        fs::temp_directory_path() / ("ecr17-bridge-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
    fs::create_directories(dir);
    return dir;
}

TSimBehaviour TBridgeTest::quickTerminal()
{
    TSimBehaviour b;
    b.progressTexts = 0;
    b.receiptBlocks = 0;
    return b;
}

void TBridgeTest::start(const TSimBehaviour& Abehaviour, const std::vector<std::string>& Aextra, bool Agated)
{
    TSimConfig config;
    if (Agated)
        config.observer = [this](const TSimEvent& e) { Fgate.observe(e); };
    Fsim = std::make_unique<TTerminalSim>(Abehaviour, config);
    std::vector<std::string> argv = {ECR17_BRIDGE_PATH, "--terminal", "127.0.0.1:" + std::to_string(Fsim->port()),
                                     "--listen", "127.0.0.1:0", "--token-file", (Fdir / "token").string()};
    argv.insert(argv.end(), Aextra.begin(), Aextra.end());
    Fbridge = std::make_unique<TChildProcess>(argv);
    Fport = bridgePortOf(Fbridge->readLine());
    ASSERT_NE(Fport, 0) << "ecr17-bridge did not start";
    std::ifstream(Fdir / "token") >> Ftoken;
    Fclient = std::make_unique<TBridgeClient>(Fport, Ftoken);
}

void TBridgeTest::TearDown()
{
    Fgate.release();
    Fclient.reset();
    if (Fbridge) {
        Fbridge->signal(SIGTERM);
        EXPECT_EQ(Fbridge->readLine(), "ecr17-bridge stopped");
        EXPECT_EQ(Fbridge->wait(), 0);
    }
    Fsim.reset();
    std::error_code ignored;
    fs::remove_all(Fdir, ignored);
}

std::size_t TBridgeTest::charges() const
{
    return Fsim->ledger().charges();
}

std::string TBridgeTest::paymentBody(const std::string& Aamount, const std::string& Akey) const
{
    std::string body = R"({"amount":")" + Aamount + R"(","description":"Shoes")";
    if (!Akey.empty())
        body += R"(,"idempotencyKey":")" + Akey + "\"";
    return body + "}";
}
