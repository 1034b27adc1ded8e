// Protocol mode: the terminal's side of the link.
//
// Every command frame is acknowledged; a status request gets the status
// response; a payment request gets progress texts, the outcome and, when the
// last print-mode command asked for it, the receipt in blocks; reprint, close
// session and print mode are only acknowledged. After each response the
// terminal waits for the client's acknowledgement and sends nothing more of
// that exchange without it. The print mode and the STAN carry over from one
// connection to the next, as on a real terminal.
#pragma once

#include "SimBehaviour.h"

#include <optional>
#include <string>
#include <vector>

class TSimLink;
class TSimTransmitter;

class TSimProtocol {
public:
    explicit TSimProtocol(TSimBehaviour Abehaviour);
    // Serves one connection until it ends (TSimLinkEnded).
    void serve(TSimLink& Alink);

private:
    struct TExchange;

    void handle(TExchange& Ax, const std::string& Aframe);
    void answerStatus(TExchange& Ax);
    void answerPayment(TExchange& Ax, const std::string& Apayload, bool AprogressSent);
    // The outcome frame of a new charge (the next STAN).
    std::string charge();
    std::string progressTexts() const;
    static std::string progressText(std::size_t Aindex);
    std::vector<std::string> receiptBlocks(long long Acents) const;
    void sendReceipt(TExchange& Ax, const std::vector<std::string>& Ablocks);
    // Faults of a hostile terminal.
    void sendInOnePacket(TExchange& Ax, const std::string& Aoutcome, const std::vector<std::string>& Ablocks);
    [[noreturn]] void repeat(TExchange& Ax, const std::string& Aframe);
    void sendEndlessReceipt(TExchange& Ax);
    void holdOutcome();
    void sendHeldOutcome(TExchange& Ax);
    // True when the next frame is the client's acknowledgement; any other
    // frame is kept as the next command.
    bool awaitAck(TExchange& Ax);

    TSimBehaviour Fbehaviour;
    char FprintMode = '0';
    unsigned Fstan;
    // A charged payment whose outcome waits for the next command.
    std::optional<std::string> FheldOutcome;
};
