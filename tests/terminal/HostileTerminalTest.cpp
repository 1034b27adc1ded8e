// A broken or hostile terminal: each case ends with the result the caller
// can act on, within the configured wait, and leaves the client usable.
//
// Waits run on 10 ms polls: a 5 s time-out is then a wait of 49 polls, 490
// ms, which a healthy simulator never comes near, also under sanitizers.
#include "EcrFixture.h"
#include "ExpectThrow.h"
#include "FrameCodec.h"
#include "SocketErrorTexts.h"
#include "TextConvert.h"
#include "TcpConnection.h"
#include "TransportErrors.h"

#include <chrono>
#include <functional>
#include <mutex>

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

constexpr Currency oneCent = 100;
constexpr std::chrono::milliseconds configuredWait{490};

TLinkTiming tenMsPolls()
{
    return {10, monotonicTicks};
}

std::mutex progressLock;
std::vector<std::u16string> progressSeen;
void recordProgress(const char16_t* Atext)
{
    const std::lock_guard lock(progressLock);
    progressSeen.emplace_back(Atext);
}

struct HostileTerminal : EcrFixture {
    void serveHostile(const std::function<void(TSimBehaviour&)>& Afault, TPrintMode AprintMode)
    {
        TSimBehaviour b = terminal();
        Afault(b);
        serve(b, tenMsPolls());
        ecr->setJSONOut(false);
        ecr->setTimeout(5);
        ecr->setPrintMode(AprintMode);
    }
    // The same client serves the next operation.
    void expectUsable()
    {
        std::u16string res;
        EXPECT_TRUE(ecr->status(res));
        EXPECT_TRUE(res.starts_with(u"Terminal ID: SIM00001\n")) << textToUtf8(res);
    }
};

struct Row {
    const char* name;
    std::function<void(TSimBehaviour&)> fault;
    TPrintMode printMode;
    bool result;
    bool timedOut;
    bool receiptComplete;
    // In the result text (empty: nothing checked) and not in it.
    std::u16string shows;
    std::u16string lacks;
    // The warning that must stand exactly once in the log (empty: none).
    std::u16string warning;
    // Bounds of the time pay takes.
    std::chrono::milliseconds atLeast;
    std::chrono::milliseconds atMost;
};

const std::u16string blockBound = u"Receipt over 1000 blocks or 1048576 characters: the rest is not collected";

TEST_F(HostileTerminal, EachFaultEndsWithinTheWaitWithAUsableResult)
{
    const Row rows[] = {
        {"flood without ETX", [](TSimBehaviour& b) { b.flood = true; }, 0, false, true, true, u"", u"",
         u"Received data over 65536 characters without a complete frame: discarded", configuredWait, 5s},
        {"repeated frame instead of the receipt",
         [](TSimBehaviour& b) {
             b.repeatOutcome = true;
             b.receiptDelay = 5ms;
         },
         2, true, true, false, u"Result: 00\n", u"Receipt: ", u"", configuredWait, 3 * configuredWait},
        {"outcome and receipt in one packet", [](TSimBehaviour& b) { b.onePacket = true; }, 2, true, false, true,
         u"Receipt: SIMULATED TERMINAL\n", u"", u"", 0ms, 5s},
        {"endless receipt of small blocks", [](TSimBehaviour& b) { b.endlessReceipt = true; }, 2, true, false, false,
         u"LINE 1000", u"LINE 1001", blockBound, 0ms, 60s},
        {"endless receipt of large blocks",
         [](TSimBehaviour& b) {
             b.endlessReceipt = true;
             b.endlessBlockChars = 60000;
         },
         2, true, false, false, u"LINE 17", u"LINE 19", blockBound, 0ms, 60s},
        {"receipt wait runs out", [](TSimBehaviour& b) { b.receiptDelay = 1s; }, 2, true, true, false,
         u"Result: 00\n", u"Receipt: ", u"", configuredWait, 3s},
        {"connection lost within the receipt",
         [](TSimBehaviour& b) { b.closeAt = 7; },  // acks, two progress texts, outcome, one block
         2, true, false, false, u"Receipt: SIMULATED TERMINAL\n", u"", u"", 0ms, 5s},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        serveHostile(r.fault, r.printMode);
        std::u16string res;
        bool timedOut = !r.timedOut;
        const auto start = clock_type::now();
        EXPECT_EQ(ecr->pay(oneCent, u"", res, timedOut), r.result);
        const auto took = clock_type::now() - start;
        EXPECT_EQ(timedOut, r.timedOut);
        EXPECT_EQ(ecr->receiptComplete(), r.receiptComplete);
        // The link's clock counts whole milliseconds.
        EXPECT_GE(took, r.atLeast - 1ms);
        EXPECT_LE(took, r.atMost);
        if (!r.shows.empty()) {
            EXPECT_NE(res.find(r.shows), std::u16string::npos) << textToUtf8(res.substr(0, 2000));
        }
        if (!r.lacks.empty()) {
            EXPECT_EQ(res.find(r.lacks), std::u16string::npos);
        }
        if (!r.warning.empty()) {
            EXPECT_EQ(countOf(log.records(), warning(r.warning)), 1);
        }
        // The receipt bound, wrapped to 24 columns, and the outcome.
        EXPECT_LE(res.size(), kMaxReceiptChars * 25 / 24 + 4096);
        expectUsable();
    }
}

TEST_F(HostileTerminal, ProgressTextsArrivingWithTheAcknowledgementAreReportedOnce)
{
    serveHostile([](TSimBehaviour& b) { b.onePacket = true; }, 0);
    progressSeen.clear();
    ecr->setProgressCallback(recordProgress);
    std::u16string res;
    bool timedOut = true;
    EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    ecr->setProgressCallback(nullptr);
    // Two texts in one piece: the first is the one reported, once.
    EXPECT_EQ(progressSeen, std::vector<std::u16string>{u"PROGRESS 1"});
    EXPECT_EQ(countOf(log.records(), info(u"Progress: PROGRESS 1")), 1);
}

// A payment whose request went unacknowledged was charged all the same; its
// outcome arrives on the connection the failed start left open.
TEST_F(HostileTerminal, StatusDropsALatePaymentOutcomeWithoutAcknowledgingIt)
{
    serveHostile([](TSimBehaviour& b) { b.lateOutcome = true; }, 0);
    EXPECT_FALSE(ecr->payAsync(oneCent, u"", nullptr));
    std::u16string res;
    EXPECT_TRUE(ecr->status(res));
    EXPECT_TRUE(res.starts_with(u"Terminal ID: SIM00001\nDate/time: ")) << textToUtf8(res);
    EXPECT_EQ(countOf(log.records(),
                      warning(u"Not a status response, dropped: SIM000010E00************0019   ICCA1B2C33431430"
                              u"100000012345000001000042")),
              1);
    const std::vector<std::string> frames = framesReceived();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), simAckFrame()), 1) << "only the status response is acknowledged";
}

TEST_F(HostileTerminal, NulInsideAFieldReadsAsQuestionMark)
{
    serveHostile([](TSimBehaviour& b) { b.termID = std::string("SIM\0" "0001", 8); }, 0);
    std::u16string res;
    EXPECT_TRUE(ecr->status(res));
    EXPECT_TRUE(res.starts_with(u"Terminal ID: SIM?0001\n")) << textToUtf8(res);
    bool timedOut = true;
    EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    EXPECT_TRUE(res.starts_with(u"Terminal ID: SIM?0001\n")) << textToUtf8(res);
    EXPECT_EQ(res.find(u'\0'), std::u16string::npos);
}

TEST_F(HostileTerminal, DescriptionCannotPutASecondFrameOnTheWire)
{
    serveHostile([](TSimBehaviour&) {}, 0);
    const std::u16string forged = u"A\x03\x7F\x02" u"000000000P0000000000000000000010\x1F\u00E8";
    std::u16string res;
    bool timedOut = true;
    EXPECT_TRUE(ecr->pay(oneCent, forged, res, timedOut));
    const std::u16string description = u"A???000000000P0000000000000000000010??";
    const std::u16string request = u"000000000P0000000000000" u"00000001" +
                                   std::u16string(128 - description.size(), u' ') + description + u"00000000";
    const std::vector<std::string> frames = framesReceived();
    ASSERT_EQ(frames.size(), 3u);  // print mode, payment request, the outcome's acknowledgement
    EXPECT_EQ(frames[1], commandFrame(request));
}

// ---- One operation at a time

TECR* reentered = nullptr;
std::string reentryError;
void statusFromTheCallback(const char16_t*)
{
    std::u16string res;
    try {
        reentered->status(res);
    } catch (const std::exception& e) {
        reentryError = e.what();
    }
}

TEST_F(HostileTerminal, AnOperationCalledFromTheProgressCallbackIsRefusedAndSendsNothing)
{
    serveHostile([](TSimBehaviour&) {}, 0);
    reentered = ecr.get();
    reentryError.clear();
    ecr->setProgressCallback(statusFromTheCallback);
    std::u16string res;
    bool timedOut = true;
    EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    ecr->setProgressCallback(nullptr);
    EXPECT_TRUE(res.starts_with(u"Terminal ID: SIM00001\nResult: 00\n")) << textToUtf8(res);
    EXPECT_EQ(reentryError, "Another operation is running");
    EXPECT_GE(countOf(log.records(), error(u"Another operation is running")), 1);
    for (const std::string& frame : framesReceived())
        EXPECT_EQ(frame.find("000000000s"), std::string::npos) << "no status request went out";
    expectUsable();
}

// ---- Connecting

// A listening port whose queue is full: a connect gets no answer at all.
struct TSilentPort {
    TTerminalSim sim{std::vector<TSimScript>{}, TSimConfig{"127.0.0.1", 0, {}, true}};
};

TEST(ConnectTimeLimit, AConnectWithoutAnswerFailsWithTheSocketErrorOfATimeOut)
{
    TSilentPort silent;
    for (const int limitMs : {300, kConnectTimeoutMs}) {
        SCOPED_TRACE(limitMs);
        TTcpConnection connection(limitMs);
        const auto start = clock_type::now();
        expectThrowMessage<ESocketError>([&] { connection.Connect(u"127.0.0.1", silent.sim.port()); }, kTimedOutText);
        const auto took = clock_type::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(limitMs));
        EXPECT_LE(took, std::chrono::milliseconds(limitMs) + 2s);
        EXPECT_FALSE(connection.Connected());
    }
}

TEST(ConnectTimeLimit, StatusAgainstASilentPortEndsWithTheErrorAfterThreeAttempts)
{
    TSilentPort silent;
    TMemoryLogTool log;
    TECR ecr(tenMsPolls(), std::make_unique<TTcpConnection>(200));
    ecr.setHost(u"127.0.0.1");
    ecr.setPort(silent.sim.port());
    std::u16string res;
    const auto start = clock_type::now();
    expectThrowMessage<ESocketError>([&] { ecr.status(res); }, kTimedOutText);
    EXPECT_LE(clock_type::now() - start, 3 * 200ms + 3s);
    EXPECT_EQ(countOf(log.records(), info(u"Attempt n. 3")), 1);
}

} // namespace
