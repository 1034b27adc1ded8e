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
#include "SimLedger.h"

#include <cstdint>
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
    const TSimLedger& ledger() const noexcept { return Fledger; }

private:
    struct TExchange;

    void handle(TExchange& Ax, const std::string& Aframe);
    void answerStatus(TExchange& Ax);
    void answer(TExchange& Ax, char Acode, const std::string& Apayload, bool AprogressSent, TSimDrop Adrop);
    void answerPayment(TExchange& Ax, const std::string& Apayload, bool AprogressSent, TSimDrop Adrop);
    void answerReversal(TExchange& Ax, unsigned Astan);
    void answerLastResult(TExchange& Ax);
    // Sends a response and reads its acknowledgement.
    void sendAnswer(TExchange& Ax, const std::string& Aframe);
    // The drop of the first payment, once.
    TSimDrop takeDrop();
    // An outcome frame with the next STAN, saved as the last result.
    std::string outcomeFrame(const TSimBehaviour& Aoutcome);
    // The outcome frame of a payment of Acents, charged when approved.
    std::string charge(long long Acents);
    std::string progressTexts() const;
    static std::string progressText(std::size_t Aindex);
    std::vector<std::string> receiptBlocks(long long Acents) const;
    // Closes instead of the block after the first AcloseAfter.
    void sendReceipt(TExchange& Ax, const std::vector<std::string>& Ablocks, std::size_t AcloseAfter = SIZE_MAX);
    // Faults of a hostile terminal.
    void sendInOnePacket(TExchange& Ax, const std::string& Aoutcome, const std::vector<std::string>& Ablocks);
    [[noreturn]] void repeat(TExchange& Ax, const std::string& Aframe);
    void sendEndlessReceipt(TExchange& Ax);
    void holdOutcome(long long Acents);
    void sendHeldOutcome(TExchange& Ax);
    // True when the next frame is the client's acknowledgement; any other
    // frame is kept as the next command.
    bool awaitAck(TExchange& Ax);

    TSimBehaviour Fbehaviour;
    char FprintMode = '0';
    unsigned Fstan;
    std::size_t FpaymentRequests = 0;
    TSimLedger Fledger;
    // A charged payment whose outcome waits for the next command.
    std::optional<std::string> FheldOutcome;
};
