// A simulated terminal, ecr17-bridge in front of it as its own process, and
// a client; every test gets its own, on free ports of 127.0.0.1.
#pragma once

#include "BridgeClient.h"
#include "ChildProcess.h"
#include "TerminalSim.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Holds the simulated terminal after it acknowledged a payment request,
// until the test releases it: a payment that runs exactly as long as the
// test needs.
class TPaymentGate {
public:
    // The simulator's observer; blocks the simulator's thread while held.
    void observe(const TSimEvent& Aevent);
    // Waits until the simulator is held.
    bool waitHeld();
    void release();

private:
    std::mutex Fmutex;
    std::condition_variable Fchanged;
    bool FsawRequest = false;
    bool Fheld = false;
    bool Freleased = false;
};

class TBridgeTest : public ::testing::Test {
protected:
    // The terminal answers at once: no progress texts, no receipt.
    static TSimBehaviour quickTerminal();

    // Starts the simulator (with the gate when Agated) and the bridge with
    // --terminal, --listen 127.0.0.1:0, --token-file and Aextra.
    void start(const TSimBehaviour& Abehaviour = quickTerminal(), const std::vector<std::string>& Aextra = {},
               bool Agated = false);
    void TearDown() override;

    // Payments the terminal charged.
    std::size_t charges() const;
    std::string paymentBody(const std::string& Aamount, const std::string& Akey = {}) const;

    std::filesystem::path Fdir = makeDir();
    std::string Ftoken;
    std::uint16_t Fport = 0;
    TPaymentGate Fgate;
    std::unique_ptr<TTerminalSim> Fsim;
    std::unique_ptr<TChildProcess> Fbridge;
    std::unique_ptr<TBridgeClient> Fclient;

private:
    static std::filesystem::path makeDir();
};

// The port in ecr17-bridge's start line, 0 when the line is not one.
std::uint16_t bridgePortOf(const std::string& AstartLine);
