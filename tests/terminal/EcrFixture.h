// A client wired to a simulated terminal on a free port.
#pragma once

#include "CountingTransport.h"
#include "DiagLoggerU.h"
#include "ECR17u.h"
#include "LinkConstants.h"
#include "TcpTransport.h"
#include "LogRecords.h"
#include "SimFrames.h"
#include "TerminalSim.h"
#include "WireEncoding.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ecr17::detail;

// Silence is waited out in ticks of 1 ms instead of 100 ms.
inline TLinkTiming shortTicks()
{
    return {1, monotonicTicks};
}

inline std::string commandFrame(std::u16string_view Amessage)
{
    return encodeWire(frameCommand(Amessage));
}

// The terminal's fixed answers, with a fixed clock.
inline TSimBehaviour terminal()
{
    TSimBehaviour b;
    b.statusDateTime = "0912261430";
    b.outcomeDateTime = "3431430";
    return b;
}

struct EcrFixture : ::testing::Test {
    void SetUp() override { dlogSetHexControlChars(true); }

    template <class Peer>
    void serve(Peer Apeer, TLinkTiming Atiming = {})
    {
        sim = std::make_unique<TTerminalSim>(std::move(Apeer));
        auto connection = std::make_unique<TCountingTransport>();
        transport = connection.get();
        ecr = std::make_unique<TECR>(std::move(Atiming), std::move(connection));
        ecr->setHost(u"127.0.0.1");
        ecr->setPort(sim->port());
        log.clear();
    }
    // The frames the terminal read on its first connection, once the client
    // has closed it.
    std::vector<std::string> framesReceived()
    {
        EXPECT_TRUE(sim->waitForClosed(1));
        return sim->connection(0).frames;
    }

    TMemoryLogTool log;
    std::unique_ptr<TTerminalSim> sim;
    TCountingTransport* transport = nullptr;
    std::unique_ptr<TECR> ecr;
};
