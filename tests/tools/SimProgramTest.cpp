// ecr17-sim as a program: what it prints and how it stops.
#include "ChildProcess.h"
#include "RawClient.h"
#include "SimFrames.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

TEST(SimProgram, PrintsTheTrafficAndStopsOnASignal)
{
    for (int stopSignal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(stopSignal);
        TChildProcess sim({ECR17_SIM_PATH, "--port", "0", "--reset-at", "2"});
        const std::string listening = sim.readLine();
        const std::string prefix = "ecr17-sim listening on 127.0.0.1:";
        ASSERT_EQ(listening.rfind(prefix, 0), 0u) << listening;
        {
            TRawClient client(static_cast<std::uint16_t>(std::stoi(listening.substr(prefix.size()))));
            client.send(simFrame("000000000s"));
            EXPECT_EQ(client.read(3), simAckFrame());
        }
        EXPECT_EQ(sim.readLine(), "[1] connected");
        EXPECT_EQ(sim.readLine(), "[1] <- <STX>000000000s<ETX>=");
        EXPECT_EQ(sim.readLine(), "[1] -> <ACK><ETX>z");
        EXPECT_EQ(sim.readLine(), "[1] closed: reset by the simulator");
        sim.signal(stopSignal);
        EXPECT_EQ(sim.readLine(), "ecr17-sim stopped");
        EXPECT_EQ(sim.wait(), 0);
    }
}
