#include "PaymentBook.h"

#include "BridgeJson.h"
#include "TextConvert.h"

#include <algorithm>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

const char16_t* stateText(TPaymentState Astate)
{
    switch (Astate) {
    case TPaymentState::Running:
        return u"running";
    case TPaymentState::Done:
        return u"done";
    case TPaymentState::Unknown:
        return u"unknown";
    }
    return u"";
}

} // namespace

std::unique_ptr<TJSONobject> paymentJson(const TPayment& Ap)
{
    auto object = std::make_unique<TJSONobject>();
    object->Add(u"id", utf8ToText(Ap.id));
    object->Add(u"state", stateText(Ap.state));
    object->Add(u"amount", utf8ToText(Ap.amountText));
    object->Add(u"description", utf8ToText(Ap.description));
    object->Add(u"printMode", static_cast<std::int32_t>(Ap.printMode));
    if (!Ap.idempotencyKey.empty())
        object->Add(u"idempotencyKey", utf8ToText(Ap.idempotencyKey));
    object->Add(u"progress", Ap.progress);
    if (Ap.state == TPaymentState::Running)
        return object;
    object->Add(u"ok", Ap.ok);
    object->Add(u"timeout", Ap.timeout);
    object->Add(u"result", bridgeClientResult(Ap.result));
    if (!Ap.error.empty())
        object->Add(u"error", utf8ToText(Ap.error));
    if (!Ap.recovery.empty())
        object->Add(u"recovery", bridgeClientResult(Ap.recovery));
    return object;
}

void TPaymentBook::add(const TPayment& Apayment)
{
    std::lock_guard lock(Fmutex);
    makeRoom();
    Fpayments.push_back(Apayment);
}

void TPaymentBook::makeRoom()
{
    if (Fpayments.size() < maxKept)
        return;
    const auto ended = std::find_if(Fpayments.begin(), Fpayments.end(),
                                    [](const TPayment& p) { return p.state != TPaymentState::Running; });
    if (ended != Fpayments.end())
        Fpayments.erase(ended);
}

TPayment* TPaymentBook::entry(const std::string& Aid)
{
    for (TPayment& p : Fpayments)
        if (p.id == Aid)
            return &p;
    return nullptr;
}

std::optional<TPayment> TPaymentBook::find(const std::string& Aid) const
{
    std::lock_guard lock(Fmutex);
    for (const TPayment& p : Fpayments)
        if (p.id == Aid)
            return p;
    return std::nullopt;
}

std::optional<TPayment> TPaymentBook::findByKey(const std::string& AidempotencyKey) const
{
    std::lock_guard lock(Fmutex);
    for (const TPayment& p : Fpayments)
        if (!p.idempotencyKey.empty() && p.idempotencyKey == AidempotencyKey)
            return p;
    return std::nullopt;
}

TPayment TPaymentBook::update(const std::string& Aid, const std::function<void(TPayment&)>& Achange)
{
    std::lock_guard lock(Fmutex);
    TPayment* found = entry(Aid);
    if (!found)
        throw std::logic_error("no payment " + Aid);
    Achange(*found);
    return *found;
}

void TPaymentBook::recovered(const std::u16string& Ares)
{
    std::lock_guard lock(Fmutex);
    for (auto p = Fpayments.rbegin(); p != Fpayments.rend(); ++p)
        if (p->state == TPaymentState::Unknown) {
            p->recovery = Ares;
            return;
        }
}
