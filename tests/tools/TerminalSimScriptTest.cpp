#include "RawClient.h"
#include "SimFrames.h"
#include "TerminalSim.h"
#include "UnderWine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace std::string_literals;
using namespace std::chrono_literals;

namespace {
const std::string statusFrame = simFrame("000000000s");
const std::string ack = simAckFrame();
}

TEST(TerminalSimScript, FollowsTheStepsAndRecordsEveryFrame)
{
    const std::string response = simFrame("RESPONSE");
    TTerminalSim sim({{TSimStep::readFrame(), TSimStep::ack(), TSimStep::send({response.substr(0, 4), response.substr(4)}, 20ms),
                       TSimStep::readFrame()}});
    TRawClient client(sim.port());
    client.send(statusFrame.substr(0, 5));
    client.send(statusFrame.substr(5));
    EXPECT_EQ(client.read(ack.size() + response.size()), ack + response);
    client.send("noise"s + ack);
    ASSERT_TRUE(sim.waitForFrames(2));
    client.close();
    ASSERT_TRUE(sim.waitForClosed(1));

    const TSimConnection c = sim.connection(0);
    EXPECT_EQ(c.frames, (std::vector<std::string>{statusFrame, ack}));
    EXPECT_EQ(c.received, statusFrame + "noise" + ack);
    EXPECT_EQ(c.sent, ack + response);
    EXPECT_EQ(c.endReason, "closed by the client");
}

TEST(TerminalSimScript, ConnectionsInARowTakeTheirScriptsThenRepeatTheLast)
{
    TTerminalSim sim({{TSimStep::send({"first"}), TSimStep::close()}, {TSimStep::send({"again"}), TSimStep::close()}});
    for (const char* expected : {"first", "again", "again"}) {
        TRawClient client(sim.port());
        EXPECT_EQ(client.readToEnd(), expected);
    }
    EXPECT_TRUE(sim.waitForClosed(3));
    EXPECT_EQ(sim.connectionCount(), 3u);
}

TEST(TerminalSimScript, CloseIsOrderlyAndResetAborts)
{
    TTerminalSim sim({{TSimStep::readFrame(), TSimStep::close()}, {TSimStep::readFrame(), TSimStep::reset()}});
    for (bool expectReset : {false, true}) {
        SCOPED_TRACE(expectReset ? "reset" : "close");
        TRawClient client(sim.port());
        // Bytes the terminal never reads must not turn the orderly close into a reset.
        client.send(statusFrame + "unread");
        bool reset = !expectReset;
        EXPECT_EQ(client.readToEnd(&reset), "");
        // Wine reports a reset as an orderly end of stream; Windows and Linux as a reset.
        if (!(expectReset && underWine())) {
            EXPECT_EQ(reset, expectReset);
        }
    }
}

TEST(TerminalSimScript, StopsWhileAConnectionWaits)
{
    auto sim = std::make_unique<TTerminalSim>(std::vector<TSimScript>{{TSimStep::wait(1h)}});
    TRawClient client(sim->port());
    ASSERT_TRUE(sim->waitForConnections(1));
    sim.reset();
    EXPECT_EQ(client.readToEnd(), "");
}
