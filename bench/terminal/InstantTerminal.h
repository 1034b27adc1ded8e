// TInstantTerminal: a payment terminal that answers at once, for measuring
// the client against the physical limit of the loopback link.
//
// One thread with plain sockets serves one connection at a time on
// 127.0.0.1 (a free port): it acknowledges every command, answers the status
// command with the status response and a payment with the outcome and, when
// the last print mode was 1 or 2, three receipt blocks, each sent only after
// the client acknowledged the previous frame. Every reply is built once, so
// the terminal spends nothing but the socket calls. In AckOnly mode it
// acknowledges commands and never answers, like a terminal waiting for a
// card. The destructor stops the thread wherever it waits.
#pragma once

#include "BenchSocket.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class TInstantTerminal {
public:
    enum class TMode { Answer, AckOnly };

    explicit TInstantTerminal(TMode Amode = TMode::Answer);
    ~TInstantTerminal();
    TInstantTerminal(const TInstantTerminal&) = delete;
    TInstantTerminal& operator=(const TInstantTerminal&) = delete;

    std::uint16_t port() const noexcept { return Fport; }

private:
    struct TConnection;

    void run();
    void serve(TSocket Aclient);
    void answer(TConnection& Aconn, const std::string& Aframe);
    void answerPayment(TConnection& Aconn);
    // Sends Areply and waits for the client's ACK; false when it never came.
    bool sendAcknowledged(TConnection& Aconn, const std::string& Areply);

    TMode Fmode;
    std::uint16_t Fport = 0;  // set while Flisten is made
    TSocket Flisten;
    TSocket Fstop;  // an eventfd, readable once the terminal stops
    std::string Fack;
    std::string Fstatus;
    std::string Foutcome;
    std::vector<std::string> Freceipt;
    std::thread Fthread;
};
