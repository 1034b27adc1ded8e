#include "BridgeTerminal.h"

#include "TextConvert.h"

#include <atomic>
#include <exception>
#include <string_view>

using namespace ecr17::detail;

namespace {

// The progress callback takes no context: the one bridge terminal of the
// process is found here.
std::atomic<TBridgeTerminal*> progressTarget{nullptr};

constexpr int badGateway = 502;
// The client's refusals that are about the journal's state, not faults of
// the terminal: a conflict for the caller to resolve.
constexpr std::string_view stateRefusals[] = {"A previous payment has no outcome: recover it first",
                                              "No operation is pending"};

int errorStatus(std::string_view Amessage)
{
    for (std::string_view refusal : stateRefusals)
        if (Amessage == refusal)
            return 409;
    return badGateway;
}

} // namespace

TBridgeTerminal::TBridgeTerminal(const TBridgeOptions& Aoptions, TEventHub& Ahub) : Fhub(Ahub)
{
    Fecr.setHost(utf8ToText(Aoptions.terminalHost));
    Fecr.setPort(Aoptions.terminalPort);
    Fecr.setJSONOut(true);
    if (Aoptions.journal) {
        Fecr.setJournal(utf8ToText(*Aoptions.journal));
        Fjournal = true;
    }
    progressTarget = this;
    Fecr.setProgressCallback(progressReceived);
}

TBridgeTerminal::~TBridgeTerminal()
{
    stop();
    progressTarget = nullptr;
}

void TBridgeTerminal::stop()
{
    Fslot.refuseAll();
    if (!Fstopping.exchange(true))
        publishState("bridge", u"stopping");
    Fslot.waitIdle();
    std::lock_guard start(FstartLock);
    if (FpaymentThread.joinable())
        FpaymentThread.join();
}

TBridgeReply TBridgeTerminal::busyReply(const TOperationSlot::TBusy& Abusy) const
{
    if (Abusy.stopping)
        return bridgeError(503, "The bridge is stopping");
    TJSONobject error;
    error.Add(u"error", utf8ToText("Another operation is running: " + Abusy.running));
    error.Add(u"running", utf8ToText(Abusy.running));
    return bridgeReply(409, error);
}

void TBridgeTerminal::publishState(const std::string& Aoperation, const char16_t* Astate,
                                   std::unique_ptr<TJSONbase> Adetail)
{
    TJSONobject event;
    event.Add(u"operation", utf8ToText(Aoperation));
    event.Add(u"state", Astate);
    if (Adetail) {
        const char16_t* name = Adetail->SelfType() == jsObject ? u"payment" : u"status";
        event.Add(name, std::move(Adetail));
    }
    Fhub.publish("state", bridgeJsonText(event));
}

void TBridgeTerminal::setCurrent(const std::string& Aoperation, const std::string& ApaymentId)
{
    std::lock_guard lock(FcurrentLock);
    FcurrentOperation = Aoperation;
    FcurrentPayment = ApaymentId;
}

void TBridgeTerminal::progressReceived(const char16_t* Ares)
{
    if (TBridgeTerminal* target = progressTarget.load())
        target->onProgress(Ares);
}

void TBridgeTerminal::onProgress(const std::u16string& Atext)
{
    std::string operation;
    std::string paymentId;
    {
        std::lock_guard lock(FcurrentLock);
        operation = FcurrentOperation;
        paymentId = FcurrentPayment;
    }
    TJSONobject event;
    event.Add(u"operation", utf8ToText(operation));
    if (!paymentId.empty()) {
        event.Add(u"id", utf8ToText(paymentId));
        Fbook.update(paymentId, [&](TPayment& p) { p.progress = Atext; });
    }
    event.Add(u"text", Atext);
    Fhub.publish("progress", bridgeJsonText(event));
}

TBridgeReply TBridgeTerminal::runSync(const std::string& Aname, const TOperation& Aoperation)
{
    TBridgeReply reply;
    {
        TOperationSlot::TBusy busy;
        const auto claim = Fslot.tryClaim(Aname, busy);
        if (!claim)
            return busyReply(busy);
        setCurrent(Aname, {});
        publishState(Aname, u"running");
        try {
            reply = Aoperation(Fecr);
        } catch (const std::exception& e) {
            reply = bridgeError(errorStatus(e.what()), e.what());
        }
    }
    publishState(Aname, u"done", std::make_unique<TJSONnumber>(reply.status));
    return reply;
}

TBridgeReply TBridgeTerminal::status()
{
    return runSync("status", [](TECR& Aecr) {
        std::u16string res;
        const bool ok = Aecr.status(res);
        TJSONobject reply;
        reply.Add(u"ok", ok);
        reply.Add(u"result", bridgeClientResult(res));
        return bridgeReply(200, reply);
    });
}

TBridgeReply TBridgeTerminal::reprint(bool AserviceTicket)
{
    return runSync("reprint", [AserviceTicket](TECR& Aecr) {
        TJSONobject reply;
        reply.Add(u"ok", Aecr.reprint(AserviceTicket));
        return bridgeReply(200, reply);
    });
}

TBridgeReply TBridgeTerminal::closeSession()
{
    return runSync("close-session", [](TECR& Aecr) {
        TJSONobject reply;
        reply.Add(u"ok", Aecr.closeSession());
        return bridgeReply(200, reply);
    });
}
