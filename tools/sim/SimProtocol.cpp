#include "SimProtocol.h"

#include "SimFrames.h"
#include "SimLink.h"
#include "SimMessages.h"
#include "SimTransmitter.h"

#include <optional>
#include <cstdint>
#include <utility>

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

TSimProtocol::TSimProtocol(TSimBehaviour Abehaviour)
    : Fbehaviour(std::move(Abehaviour)), Fstan(Fbehaviour.stan)
{
}

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
        holdOutcome(simRequestCents(payload));
        return;
    }
    const TSimDrop drop = code == 'P' ? takeDrop() : TSimDrop::None;
    if (drop == TSimDrop::BeforeAck)
        Ax.link.close();
    Ax.link.pause(Fbehaviour.ackDelay);
    const bool progressWithAck = code == 'P' && Fbehaviour.onePacket && !Fbehaviour.ackButNoAnswer;
    Ax.out.frame(progressWithAck ? simAckFrame() + progressTexts() : simAckFrame());
    sendHeldOutcome(Ax);
    if (drop == TSimDrop::AfterAck)
        Ax.link.close();
    if (Fbehaviour.ackButNoAnswer)
        return;
    answer(Ax, code, payload, progressWithAck, drop);
}

void TSimProtocol::answer(TExchange& Ax, char Acode, const std::string& Apayload, bool AprogressSent, TSimDrop Adrop)
{
    switch (Acode) {
    case 's':
        answerStatus(Ax);
        break;
    case 'E':
        FprintMode = Apayload.size() > 10 ? Apayload[10] : '0';
        break;
    case 'P':
        answerPayment(Ax, Apayload, AprogressSent, Adrop);
        break;
    case 'S':
        answerReversal(Ax, simReversalStan(Apayload));
        break;
    case 'G':
        answerLastResult(Ax);
        break;
    case 'T':
        sendAnswer(Ax, simFrame(simTotalsPayload(Fbehaviour, Fledger.total())));
        break;
    case 'C':
        Fledger.close();
        break;
    default:
        break;  // reprint and anything else: acknowledged only
    }
}

TSimDrop TSimProtocol::takeDrop()
{
    return ++FpaymentRequests == Fbehaviour.dropPayment ? Fbehaviour.drop : TSimDrop::None;
}

void TSimProtocol::sendAnswer(TExchange& Ax, const std::string& Aframe)
{
    Ax.link.pause(Fbehaviour.answerDelay);
    Ax.out.frame(Aframe);
    awaitAck(Ax);
}

void TSimProtocol::answerLastResult(TExchange& Ax)
{
    // A terminal that has done nothing yet has nothing to send.
    if (const std::optional<std::string> last = Fledger.lastResult())
        sendAnswer(Ax, *last);
}

void TSimProtocol::answerReversal(TExchange& Ax, unsigned Astan)
{
    const std::optional<long long> cents = Fledger.reverse(Astan);
    TSimBehaviour outcome = Fbehaviour;
    if (!cents) {
        outcome.result = "01";
        outcome.refusal = "REVERSAL REFUSED";
    }
    const std::string frame = outcomeFrame(outcome);
    Ax.link.pause(Fbehaviour.answerDelay);
    Ax.out.frame(frame);
    if (awaitAck(Ax) && cents && (FprintMode == '1' || FprintMode == '2'))
        sendReceipt(Ax, receiptBlocks(*cents));
}

void TSimProtocol::answerStatus(TExchange& Ax)
{
    sendAnswer(Ax, simFrame(simStatusPayload(Fbehaviour, orClock(Fbehaviour.statusDateTime, simStatusClock))));
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

std::string TSimProtocol::outcomeFrame(const TSimBehaviour& Aoutcome)
{
    const unsigned stan = Fstan++;
    std::string frame = simFrame(simOutcomePayload(Aoutcome, stan, orClock(Aoutcome.outcomeDateTime, simOutcomeClock)));
    Fledger.saveResult(frame);
    return frame;
}

std::string TSimProtocol::charge(long long Acents)
{
    std::string frame = outcomeFrame(Fbehaviour);
    if (Fbehaviour.result == "00")
        Fledger.charged(Fstan - 1, Acents);
    return frame;
}

void TSimProtocol::answerPayment(TExchange& Ax, const std::string& Apayload, bool AprogressSent, TSimDrop Adrop)
{
    if (Fbehaviour.flood)
        Ax.link.flood(std::string(1, '\x02'), std::string(16384, 'F'));
    for (std::size_t i = 1; i <= Fbehaviour.progressTexts && !AprogressSent; ++i) {
        Ax.link.pause(Fbehaviour.progressDelay);
        Ax.out.progress(progressText(i));
    }
    Ax.link.pause(Fbehaviour.answerDelay);
    const long long cents = simRequestCents(Apayload);
    const std::string outcome = charge(cents);
    if (Adrop == TSimDrop::AfterCharge)
        Ax.link.close();
    if (Adrop == TSimDrop::SilentAfterCharge)
        Ax.link.readUntilClosed();
    const bool withReceipt = FprintMode == '1' || FprintMode == '2';
    if (Fbehaviour.onePacket && withReceipt) {
        sendInOnePacket(Ax, outcome, receiptBlocks(cents));
        return;
    }
    Ax.out.frame(outcome);
    if (Adrop == TSimDrop::AfterOutcome)
        Ax.link.close();
    if (!awaitAck(Ax) || !withReceipt)
        return;
    if (Fbehaviour.repeatOutcome)
        repeat(Ax, outcome);
    if (Fbehaviour.endlessReceipt)
        sendEndlessReceipt(Ax);
    else
        sendReceipt(Ax, receiptBlocks(cents), Adrop == TSimDrop::DuringReceipt ? 1 : SIZE_MAX);
}

std::vector<std::string> TSimProtocol::receiptBlocks(long long Acents) const
{
    const auto lines = simReceiptLines(Fbehaviour, Fstan - 1, Acents);
    return simReceiptBlocks(lines, Fbehaviour.receiptBlocks);
}

void TSimProtocol::sendReceipt(TExchange& Ax, const std::vector<std::string>& Ablocks, std::size_t AcloseAfter)
{
    std::size_t sent = 0;
    for (const std::string& block : Ablocks) {
        if (sent++ == AcloseAfter)
            Ax.link.close();
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

void TSimProtocol::holdOutcome(long long Acents)
{
    // The attempts that repeat the request charge nothing more.
    if (!FheldOutcome)
        FheldOutcome = charge(Acents);
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
