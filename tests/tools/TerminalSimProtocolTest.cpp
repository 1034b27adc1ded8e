#include "RawClient.h"
#include "SimFrames.h"
#include "SimMessages.h"
#include "TerminalSim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

using namespace std::string_literals;

namespace {

const std::string ack = simAckFrame();
const std::string statusCommand = simFrame("000000000s");
const std::string printMode2 = simFrame("000000000E2");
const std::string payment = simFrame("000000000P000000000000000001234" + std::string(128, ' ') + "00000000");

TSimBehaviour fixedClock()
{
    TSimBehaviour b;
    b.statusDateTime = "0912262315";
    b.outcomeDateTime = "3432315";
    return b;
}

} // namespace

TEST(TerminalSimProtocol, AnswersStatusAndWaitsForTheAcknowledgement)
{
    TTerminalSim sim(fixedClock());
    TRawClient client(sim.port());
    client.send(statusCommand);
    const std::string response = simFrame("SIM000010s00000000000912262315" "0" "SIM 1.0.0");
    EXPECT_EQ(client.read(ack.size() + response.size()), ack + response);
    client.send(ack);
    ASSERT_TRUE(sim.waitForFrames(2));
    client.close();
    ASSERT_TRUE(sim.waitForClosed(1));
    EXPECT_EQ(sim.connection(0).frames, (std::vector<std::string>{statusCommand, ack}));
}

TEST(TerminalSimProtocol, PaymentWithReceiptSendsEachBlockAfterTheLastAcknowledgement)
{
    TTerminalSim sim(fixedClock());
    TRawClient client(sim.port());
    client.send(printMode2);
    EXPECT_EQ(client.read(ack.size()), ack);
    client.send(payment);
    const std::string outcome = simFrame("SIM000010E00************0019   ICCA1B2C33432315" "1" "00000012345" "000001" "000042");
    const std::string expected = ack + "\x01PROGRESS 1\x04\x01PROGRESS 2\x04"s + outcome;
    EXPECT_EQ(client.read(expected.size()), expected);

    const std::string blocks[] = {
        simFrame("000000000SSIMULATED TERMINAL}TERMINAL SIM00001}"),
        simFrame("000000000SPAYMENT}AMOUNT EUR 12.34}"),
        simFrame("000000000SSTAN 000001}APPROVED AUTH A1B2C3}\x1B"),
    };
    for (const std::string& block : blocks) {
        client.send(ack);
        EXPECT_EQ(client.read(block.size()), block);
    }
    client.send(ack);
    ASSERT_TRUE(sim.waitForFrames(6));
    client.close();
    ASSERT_TRUE(sim.waitForClosed(1));
    EXPECT_EQ(sim.connection(0).sent, ack + expected + blocks[0] + blocks[1] + blocks[2]);
}

TEST(TerminalSimProtocol, PrintModeZeroAndServiceCommandsGetOnlyAcknowledgements)
{
    TSimBehaviour b = fixedClock();
    b.progressTexts = 0;
    TTerminalSim sim(b);
    TRawClient client(sim.port());
    const std::string outcome = simFrame(simOutcomePayload(b, 1, b.outcomeDateTime));
    client.send(simFrame("000000000E0") + payment);
    EXPECT_EQ(client.read(2 * ack.size() + outcome.size()), ack + ack + outcome);
    client.send(ack + simFrame("000000000R0" "1" "0000000000") + simFrame("000000000C0000000000000"));
    // Both commands are acknowledged before the client goes.
    EXPECT_EQ(client.read(2 * ack.size()), ack + ack);
    client.close();
    ASSERT_TRUE(sim.waitForClosed(1));
    EXPECT_EQ(sim.connection(0).sent, ack + ack + outcome + ack + ack);
}

TEST(TerminalSimProtocol, OutcomeLayoutFollowsTheResultCode)
{
    struct Case {
        std::string result;
        std::string group;  // characters 13-47
    };
    const Case cases[] = {
        {"00", "************0019   " "ICC" "A1B2C3" "3432315"},
        {"01", "CARD DECLINED" + std::string(11 + 11, ' ')},
        {"05", std::string(35, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        TSimBehaviour b = fixedClock();
        b.result = c.result;
        b.messageCode = 'V';
        const std::string payload = simOutcomePayload(b, 7, b.outcomeDateTime);
        EXPECT_EQ(payload, "SIM000010V" + c.result + c.group + "1" "00000012345" "000007" "000042");
    }
}

TEST(TerminalSimProtocol, FaultsShowOnTheWire)
{
    const std::string status = simFrame("SIM000010s00000000000912262315" "0" "SIM 1.0.0");
    struct Case {
        const char* name;
        std::function<void(TSimBehaviour&)> fault;
        std::string sent;
        std::size_t pieces;
        std::string endReason;
    };
    const Case cases[] = {
        {"never acknowledge", [](TSimBehaviour& b) { b.neverAck = true; }, "", 0, "closed by the client"},
        {"acknowledge, never answer", [](TSimBehaviour& b) { b.ackButNoAnswer = true; }, ack, 1, "closed by the client"},
        {"close instead of the answer", [](TSimBehaviour& b) { b.closeAt = 2; }, ack, 1, "closed by the simulator"},
        {"reset instead of the ack", [](TSimBehaviour& b) { b.resetAt = 1; }, "", 0, "reset by the simulator"},
        {"split frames", [](TSimBehaviour& b) { b.splitFrames = true; }, ack + status, 4, "closed by the client"},
        {"garbage first", [](TSimBehaviour& b) { b.garbage = simDefaultGarbage; },
         simDefaultGarbage + ack + simDefaultGarbage + status, 4, "closed by the client"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSimBehaviour b = fixedClock();
        c.fault(b);
        std::atomic<std::size_t> pieces{0};
        TSimConfig config;
        config.observer = [&](const TSimEvent& e) { pieces += e.kind == TSimEvent::Kind::Sent; };
        TTerminalSim sim(b, config);
        TRawClient client(sim.port());
        client.send(statusCommand);
        EXPECT_EQ(client.read(c.sent.size()), c.sent);
        ASSERT_TRUE(sim.waitForFrames(1));
        client.close();
        ASSERT_TRUE(sim.waitForClosed(1));
        const TSimConnection connection = sim.connection(0);
        EXPECT_EQ(connection.sent, c.sent);
        EXPECT_EQ(pieces, c.pieces);
        EXPECT_EQ(connection.endReason, c.endReason);
    }
}
