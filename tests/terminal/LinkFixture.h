// A link session wired to a simulated terminal on a free port.
#pragma once

#include "CountingTransport.h"
#include "DiagLoggerU.h"
#include "LinkSession.h"
#include "LogRecords.h"
#include "SimFrames.h"
#include "TerminalSim.h"
#include "WireEncoding.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ecr17::detail;

// Silence is waited out in ticks of 1 ms instead of 100 ms.
inline TLinkTiming fastPolls()
{
    return {1, monotonicTicks};
}

inline std::string commandBytes(std::u16string_view Amessage)
{
    return encodeWire(frameCommand(Amessage));
}

struct LinkFixture : ::testing::Test {
    void SetUp() override { dlogSetHexControlChars(true); }

    void serve(std::vector<TSimScript> Ascripts, TLinkTiming Atiming = {})
    {
        sim = std::make_unique<TTerminalSim>(std::move(Ascripts));
        auto connection = std::make_unique<TCountingTransport>();
        transport = connection.get();
        link = std::make_unique<TLinkSession>(std::move(connection), std::move(Atiming));
        link->address().setHost(u"127.0.0.1");
        link->address().setPort(sim->port());
    }
    // Everything the terminal received, once the client has closed.
    std::string receivedByTerminal()
    {
        link->tcpClient().Disconnect();
        EXPECT_TRUE(sim->waitForClosed(sim->connectionCount()));
        return sim->receivedAll();
    }

    TMemoryLogTool log;
    std::unique_ptr<TTerminalSim> sim;
    TCountingTransport* transport = nullptr;
    std::unique_ptr<TLinkSession> link;
};
