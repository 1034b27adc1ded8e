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
    Ax.link.pause(Fbehaviour.ackDelay);
    Ax.out.frame(simAckFrame());
    if (Fbehaviour.ackButNoAnswer)
        return;
    const std::string payload = simPayload(Aframe);
    switch (messageCode(payload)) {
    case 's':
        answerStatus(Ax);
        break;
    case 'E':
        FprintMode = payload.size() > 10 ? payload[10] : '0';
        break;
    case 'P':
        answerPayment(Ax, payload);
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

void TSimProtocol::answerPayment(TExchange& Ax, const std::string& Apayload)
{
    for (std::size_t i = 1; i <= Fbehaviour.progressTexts; ++i) {
        Ax.link.pause(Fbehaviour.progressDelay);
        Ax.out.progress("PROGRESS " + std::to_string(i));
    }
    Ax.link.pause(Fbehaviour.answerDelay);
    const unsigned stan = Fstan++;
    Ax.out.frame(simFrame(simOutcomePayload(Fbehaviour, stan, orClock(Fbehaviour.outcomeDateTime, simOutcomeClock))));
    if (awaitAck(Ax) && (FprintMode == '1' || FprintMode == '2'))
        sendReceipt(Ax, simRequestCents(Apayload));
}

void TSimProtocol::sendReceipt(TExchange& Ax, long long Acents)
{
    const auto lines = simReceiptLines(Fbehaviour, Fstan - 1, Acents);
    for (const std::string& block : simReceiptBlocks(lines, Fbehaviour.receiptBlocks)) {
        Ax.link.pause(Fbehaviour.receiptDelay);
        Ax.out.frame(simFrame(block));
        if (!awaitAck(Ax))
            return;
    }
}

bool TSimProtocol::awaitAck(TExchange& Ax)
{
    std::string frame = Ax.readFrame();
    if (simIsAck(frame))
        return true;
    Ax.next = std::move(frame);
    return false;
}
