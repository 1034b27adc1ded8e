#include "SimProtocol.h"

#include "SimFrames.h"
#include "SimLink.h"
#include "SimMessages.h"
#include "SimTransmitter.h"

#include <optional>

// The state of one connection.
struct TSimProtocol::TExchange {
    TSimLink& link;
    TSimTransmitter out;
    std::optional<std::string> next;

    std::string readFrame()
    {
        if (!next)
            return link.readFrame();
        std::string frame = std::move(*next);
        next.reset();
        return frame;
    }
};

namespace {

char messageCode(const std::string& Apayload)
{
    return Apayload.size() >= 10 ? Apayload[9] : '\0';
}

std::string orClock(const std::string& Afixed, std::string (*Aclock)())
{
    return Afixed.empty() ? Aclock() : Afixed;
}

} // namespace

TSimProtocol::TSimProtocol(TSimBehaviour Abehaviour) : Fbehaviour(std::move(Abehaviour)), Fstan(Fbehaviour.stan) {}

void TSimProtocol::serve(TSimLink& Alink)
{
    TExchange exchange{Alink, TSimTransmitter(Alink, Fbehaviour), std::nullopt};
    for (;;)
        handle(exchange, exchange.readFrame());
}

void TSimProtocol::handle(TExchange& Ax, const std::string& Aframe)
{
    // A stray acknowledgement, or a command the terminal ignores.
    if (simIsAck(Aframe) || Fbehaviour.neverAck)
        return;
    const std::string payload = simPayload(Aframe);
    const char code = messageCode(payload);
    if (code == 'P' && Fbehaviour.lateOutcome) {
        holdOutcome();
        return;
    }
    Ax.link.pause(Fbehaviour.ackDelay);
    const bool progressWithAck = code == 'P' && Fbehaviour.onePacket && !Fbehaviour.ackButNoAnswer;
    Ax.out.frame(progressWithAck ? simAckFrame() + progressTexts() : simAckFrame());
    sendHeldOutcome(Ax);
    if (Fbehaviour.ackButNoAnswer)
        return;
    switch (code) {
    case 's':
        answerStatus(Ax);
        break;
    case 'E':
        FprintMode = payload.size() > 10 ? payload[10] : '0';
        break;
    case 'P':
        answerPayment(Ax, payload, progressWithAck);
        break;
    default:
        break;  // reprint, close session and anything else: acknowledged only
    }
}

void TSimProtocol::answerStatus(TExchange& Ax)
{
    Ax.link.pause(Fbehaviour.answerDelay);
    Ax.out.frame(simFrame(simStatusPayload(Fbehaviour, orClock(Fbehaviour.statusDateTime, simStatusClock))));
    awaitAck(Ax);
}

std::string TSimProtocol::progressTexts() const
{
    std::string texts;
    for (std::size_t i = 1; i <= Fbehaviour.progressTexts; ++i)
        texts += simProgress(progressText(i));
    return texts;
}

std::string TSimProtocol::progressText(std::size_t Aindex)
{
    return "PROGRESS " + std::to_string(Aindex);
}

std::string TSimProtocol::charge()
{
    const unsigned stan = Fstan++;
    return simFrame(simOutcomePayload(Fbehaviour, stan, orClock(Fbehaviour.outcomeDateTime, simOutcomeClock)));
}

void TSimProtocol::answerPayment(TExchange& Ax, const std::string& Apayload, bool AprogressSent)
{
    if (Fbehaviour.flood)
        Ax.link.flood(std::string(1, '\x02'), std::string(16384, 'F'));
    for (std::size_t i = 1; i <= Fbehaviour.progressTexts && !AprogressSent; ++i) {
        Ax.link.pause(Fbehaviour.progressDelay);
        Ax.out.progress(progressText(i));
    }
    Ax.link.pause(Fbehaviour.answerDelay);
    const std::string outcome = charge();
    const bool withReceipt = FprintMode == '1' || FprintMode == '2';
    if (Fbehaviour.onePacket && withReceipt) {
        sendInOnePacket(Ax, outcome, receiptBlocks(simRequestCents(Apayload)));
        return;
    }
    Ax.out.frame(outcome);
    if (!awaitAck(Ax) || !withReceipt)
        return;
    if (Fbehaviour.repeatOutcome)
        repeat(Ax, outcome);
    if (Fbehaviour.endlessReceipt)
        sendEndlessReceipt(Ax);
    else
        sendReceipt(Ax, receiptBlocks(simRequestCents(Apayload)));
}

std::vector<std::string> TSimProtocol::receiptBlocks(long long Acents) const
{
    const auto lines = simReceiptLines(Fbehaviour, Fstan - 1, Acents);
    return simReceiptBlocks(lines, Fbehaviour.receiptBlocks);
}

void TSimProtocol::sendReceipt(TExchange& Ax, const std::vector<std::string>& Ablocks)
{
    for (const std::string& block : Ablocks) {
        Ax.link.pause(Fbehaviour.receiptDelay);
        Ax.out.frame(simFrame(block));
        if (!awaitAck(Ax))
            return;
    }
}

void TSimProtocol::sendInOnePacket(TExchange& Ax, const std::string& Aoutcome, const std::vector<std::string>& Ablocks)
{
    std::string packet = Aoutcome;
    for (const std::string& block : Ablocks)
        packet += simFrame(block);
    Ax.out.frame(packet);
    for (std::size_t i = 0; i <= Ablocks.size(); ++i)
        if (!awaitAck(Ax))
            return;
}

void TSimProtocol::repeat(TExchange& Ax, const std::string& Aframe)
{
    for (;;) {
        Ax.link.pause(Fbehaviour.receiptDelay);
        Ax.out.frame(Aframe);
    }
}

void TSimProtocol::sendEndlessReceipt(TExchange& Ax)
{
    for (std::size_t n = 1;; ++n) {
        std::string text = "LINE " + std::to_string(n);
        text = simFit(text, Fbehaviour.endlessBlockChars > 0 ? Fbehaviour.endlessBlockChars - 1 : 0) + "}";
        Ax.link.pause(Fbehaviour.receiptDelay);
        Ax.out.frame(simFrame("000000000S" + text));
        if (!awaitAck(Ax))
            return;
    }
}

void TSimProtocol::holdOutcome()
{
    // The attempts that repeat the request charge nothing more.
    if (!FheldOutcome)
        FheldOutcome = charge();
}

void TSimProtocol::sendHeldOutcome(TExchange& Ax)
{
    if (!FheldOutcome)
        return;
    Ax.out.frame(*FheldOutcome);
    FheldOutcome.reset();
}

bool TSimProtocol::awaitAck(TExchange& Ax)
{
    std::string frame = Ax.readFrame();
    if (simIsAck(frame))
        return true;
    Ax.next = std::move(frame);
    return false;
}
