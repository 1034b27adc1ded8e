// The payments the bridge started, by id and by idempotency key.
//
// The book keeps the latest maxKept payments; when it is full the oldest one
// that has ended makes room. A running payment is never dropped.
#pragma once

#include "ECR17_TypesU.h"
#include "uJSON.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

enum class TPaymentState { Running, Done, Unknown };

struct TPayment {
    std::string id;
    std::string idempotencyKey;   // empty: none given
    Currency amount = 0;
    std::string amountText;       // as the caller wrote it
    std::string description;      // UTF-8
    TPrintMode printMode = 0;
    TPaymentState state = TPaymentState::Running;
    // Once ended: what pay returned, or the error it raised.
    bool ok = false;
    bool timeout = false;
    std::u16string result;
    std::string error;
    std::u16string progress;      // the latest progress text
    // What recover found at the terminal while this was the latest unknown
    // payment.
    std::u16string recovery;
};

// {"id":..,"state":"running"|"done"|"unknown","amount":..,...}; once ended
// also "ok", "timeout" and "result" (the client's own JSON result), and
// "error" when pay raised one, and "recovery" once recover has run for it.
std::unique_ptr<TJSONobject> paymentJson(const TPayment& Apayment);

class TPaymentBook {
public:
    static constexpr std::size_t maxKept = 1000;

    void add(const TPayment& Apayment);
    std::optional<TPayment> find(const std::string& Aid) const;
    std::optional<TPayment> findByKey(const std::string& AidempotencyKey) const;
    // Changes the payment under the book's lock; the payment as changed.
    TPayment update(const std::string& Aid, const std::function<void(TPayment&)>& Achange);
    // Records what recover returned with the latest unknown payment, if any.
    void recovered(const std::u16string& Ares);

private:
    TPayment* entry(const std::string& Aid);
    void makeRoom();

    mutable std::mutex Fmutex;
    std::deque<TPayment> Fpayments;   // oldest first
};
