// The bridge's payments: started by a request, run on the payment thread.
#include "BridgeTerminal.h"

#include "BridgeToken.h"
#include "TextConvert.h"

#include <exception>

using namespace ecr17::detail;

namespace {

constexpr std::size_t paymentIdBytes = 8;

bool samePayment(const TPayment& Ap, const TPaymentRequest& Ar)
{
    return Ap.amount == Ar.amount && Ap.description == Ar.description && Ap.printMode == Ar.printMode;
}

TPayment newPayment(const TPaymentRequest& Ar)
{
    TPayment p;
    p.id = bridgeRandomHex(paymentIdBytes);
    p.idempotencyKey = Ar.idempotencyKey;
    p.amount = Ar.amount;
    p.amountText = Ar.amountText;
    p.description = Ar.description;
    p.printMode = Ar.printMode;
    return p;
}

} // namespace

TBridgeReply TBridgeTerminal::startPayment(const TPaymentRequest& Ar)
{
    std::lock_guard start(FstartLock);
    if (!Ar.idempotencyKey.empty()) {
        if (const auto earlier = Fbook.findByKey(Ar.idempotencyKey)) {
            if (!samePayment(*earlier, Ar))
                return bridgeError(422, "idempotencyKey \"" + Ar.idempotencyKey + "\" belongs to another payment");
            return bridgeReply(200, *paymentJson(*earlier));
        }
    }
    if (!Fecr.amountValidate(Ar.amount))
        return bridgeError(422, "Amount non valid.");
    const TPayment payment = newPayment(Ar);
    TOperationSlot::TBusy busy;
    auto claim = Fslot.tryClaim("payment " + payment.id, busy);
    if (!claim)
        return busyReply(busy);
    if (auto refusal = refuseWhilePending())
        return *refusal;
    if (FpaymentThread.joinable())
        FpaymentThread.join();
    Fbook.add(payment);
    setCurrent("payment", payment.id);
    publishState("payment", u"running", paymentJson(payment));
    FpaymentThread = std::thread([this, c = std::move(*claim), payment]() mutable { runPayment(std::move(c), payment); });
    return bridgeReply(202, *paymentJson(payment));
}

void TBridgeTerminal::runPayment(TOperationSlot::TClaim Aclaim, const TPayment& Apayment)
{
    std::u16string res;
    bool timeout = false;
    bool ok = false;
    std::string error;
    try {
        Fecr.setPrintMode(Apayment.printMode);
        ok = Fecr.pay(Apayment.amount, utf8ToText(Apayment.description), res, timeout);
    } catch (const std::exception& e) {
        error = e.what();
    }
    const TPaymentState state = outcomeState(!error.empty(), ok, timeout);
    {
        const TOperationSlot::TClaim released = std::move(Aclaim);
    }
    const TPayment ended = Fbook.update(Apayment.id, [&](TPayment& p) {
        p.state = state;
        p.ok = ok;
        p.timeout = timeout;
        p.result = res;
        p.error = error;
    });
    publishState("payment", state == TPaymentState::Done ? u"done" : u"unknown", paymentJson(ended));
}

TPaymentState TBridgeTerminal::outcomeState(bool Araised, bool Aok, bool Atimeout)
{
    // The journal knows whether the request went out without an outcome
    // coming back; without it, an error or a time-out may hide a charge.
    std::u16string operation;
    if (Fjournal)
        return Fecr.pendingOperation(operation) ? TPaymentState::Unknown : TPaymentState::Done;
    return Araised || (!Aok && Atimeout) ? TPaymentState::Unknown : TPaymentState::Done;
}

TBridgeReply TBridgeTerminal::payment(const std::string& Aid) const
{
    if (const auto found = Fbook.find(Aid))
        return bridgeReply(200, *paymentJson(*found));
    return bridgeError(404, "No payment with id \"" + Aid + "\"");
}

TBridgeReply TBridgeTerminal::paymentByKey(const std::string& AidempotencyKey) const
{
    if (const auto found = Fbook.findByKey(AidempotencyKey))
        return bridgeReply(200, *paymentJson(*found));
    return bridgeError(404, "No payment with idempotencyKey \"" + AidempotencyKey + "\"");
}
