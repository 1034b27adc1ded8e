// TBridgeTerminal: the bridge's one terminal client and the operations the
// routes run on it.
//
// Every operation claims the operation slot first, so the client is used by
// one thread at a time; a second operation gets 409 naming the running one.
// Synchronous operations run on the request's thread. A payment runs on the
// bridge's payment thread, which this object owns and joins: the request
// gets 202 and the payment's id at once, and the payment's state, progress
// texts and result are published to the event hub and kept in the payment
// book. The client's progress callback is a plain procedure, so one bridge
// terminal per process receives it.
#pragma once

#include "BridgeJson.h"
#include "BridgeOptions.h"
#include "BridgeRequest.h"
#include "ECR17u.h"
#include "EventHub.h"
#include "OperationSlot.h"
#include "PaymentBook.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class TBridgeTerminal {
public:
    TBridgeTerminal(const TBridgeOptions& Aoptions, TEventHub& Ahub);
    ~TBridgeTerminal();
    TBridgeTerminal(const TBridgeTerminal&) = delete;
    TBridgeTerminal& operator=(const TBridgeTerminal&) = delete;

    TBridgeReply status();
    TBridgeReply reprint(bool AserviceTicket);
    TBridgeReply closeSession();
    TBridgeReply totals();
    TBridgeReply lastResult();
    // Astan: the STAN of the payment to reverse, six digits; empty for the
    // last transaction.
    TBridgeReply reversal(const std::u16string& Astan);

    // The journal's view: whether the last payment or reversal has no
    // outcome; recover asks the terminal for its last result and records
    // it; resolve records the operator's note when the terminal cannot
    // answer. Without --journal there is nothing pending.
    TBridgeReply pending();
    TBridgeReply recover();
    TBridgeReply resolve(const std::u16string& Anote);

    // 202 with the new payment; 200 with the earlier payment of the same
    // idempotency key; 422 for an amount the client refuses or a key used
    // for another payment; 409 while an operation runs.
    TBridgeReply startPayment(const TPaymentRequest& Arequest);
    TBridgeReply payment(const std::string& Aid) const;
    TBridgeReply paymentByKey(const std::string& AidempotencyKey) const;

    // Announces the stop to the event streams, refuses new operations (503),
    // waits for the one in progress and joins the payment thread.
    void stop();

private:
    using TOperation = std::function<TBridgeReply(TECR&)>;

    // Claims the slot for Aname, runs Aoperation and publishes its start and
    // end; an error of the client becomes a 502 with its message.
    TBridgeReply runSync(const std::string& Aname, const TOperation& Aoperation);
    TBridgeReply busyReply(const TOperationSlot::TBusy& Abusy) const;
    // 409 with the pending operation when the journal holds one; nothing
    // otherwise. Called with the slot claimed.
    std::optional<TBridgeReply> refuseWhilePending();
    // A "state" event; Adetail, when given, is the payment (an object) or the
    // HTTP status of a synchronous operation's reply (a number).
    void publishState(const std::string& Aoperation, const char16_t* Astate,
                      std::unique_ptr<TJSONbase> Adetail = nullptr);
    // The payment thread's body; Aclaim is given back before the end is
    // published, so whoever learns of the end can start the next operation.
    void runPayment(TOperationSlot::TClaim Aclaim, const TPayment& Apayment);
    TPaymentState outcomeState(bool Araised, bool Aok, bool Atimeout);
    void setCurrent(const std::string& Aoperation, const std::string& ApaymentId);
    static void progressReceived(const char16_t* Ares);
    void onProgress(const std::u16string& Atext);

    TECR Fecr;
    bool Fjournal = false;
    TEventHub& Fhub;
    TOperationSlot Fslot;
    TPaymentBook Fbook;
    // Held from the idempotency-key lookup to the payment's entry in the
    // book, so two requests with one key cannot both start a payment.
    std::mutex FstartLock;
    std::thread FpaymentThread;
    std::atomic<bool> Fstopping{false};
    // What the progress texts belong to.
    std::mutex FcurrentLock;
    std::string FcurrentOperation;
    std::string FcurrentPayment;
};
