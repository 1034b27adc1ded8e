// TECR: the terminal client. One object drives one card-payment terminal over
// TCP with the ECR17 protocol.
//
// Every operation runs on the caller's thread and opens the connection on
// demand; synchronous exchanges close it again before they return. Results
// come back as one text: a JSON object of string members, or labelled lines
// when JSONOut() is false. Failures of the terminal to answer are false
// results and time-out flags; transport errors are exceptions (std::exception)
// whose what() is the message.
#pragma once

#include "ECR17_TypesU.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ecr17::detail {
struct TEcrState;
struct TLinkTiming;
struct TReceiveWait;
class TPayThread;
class TTcpTransport;
} // namespace ecr17::detail

class TECR {
public:
    TECR();
    // The same with the link's poll length and clock replaced, and optionally
    // the connection object (a TTcpConnection when none is given); for tests
    // and benchmarks, which see the library's inside.
    explicit TECR(ecr17::detail::TLinkTiming Atiming,
                  std::unique_ptr<ecr17::detail::TTcpTransport> AtcpClient = nullptr);
    ~TECR();
    TECR(const TECR&) = delete;
    TECR& operator=(const TECR&) = delete;

    bool pay(Currency Aamount, const std::u16string& Atext, std::u16string& Ares, bool& Atimeout);
    // Reverses the payment with the given STAN (six digits; empty or
    // "000000": the last transaction). Like pay on the wire and in its result.
    bool reversal(const std::u16string& Astan, std::u16string& Ares, bool& Atimeout);
    // The terminal's copy of its last result, rendered as pay renders an
    // outcome (without the receipt: reprint prints it again).
    bool lastResult(std::u16string& Ares);
    // The terminal's total since its last close: "termID", "result", "total".
    bool totals(std::u16string& Ares);
    bool payAsync(Currency Aamount, const std::u16string& Atext, TPayCallback Acallback);
    bool payAsyncPolling(std::u16string& Ares, bool& Atimeout);
    bool status(std::u16string& Ares);
    bool amountValidate(Currency Aamount);
    bool closeSession();
    // The process-wide diagnostic log; no client is needed.
    static bool logEnable(const std::u16string& AlogFile);
    static void logDisable();
    std::u16string getProgress();
    void setProgressCallback(TProgressCallback Acallback);
    void setPrintMode(TPrintMode AprintMode);
    bool reprint(bool AserviceTicket);
    bool setReceiptColumns(std::uint16_t Acols);
    std::u16string formatReceipt(const std::u16string& Areceipt);
    // False after a payment whose receipt ended without its end mark (the
    // wait ran out, the connection was lost, or the receipt was too long):
    // its result holds the receipt so far. True after a complete receipt and
    // when no receipt was asked for.
    bool receiptComplete() const;

    // The payment journal (see PaymentJournal.h); empty: none, the default.
    // While it holds an operation without an outcome, pay, payAsync and
    // reversal refuse with "A previous payment has no outcome: recover it
    // first".
    void setJournal(const std::u16string& Apath);
    std::u16string journal() const;
    // True when the journal's last payment or reversal has no outcome; Ares
    // describes it.
    bool pendingOperation(std::u16string& Ares);
    // Asks the terminal for its last result and records it for the pending
    // operation. Ares is the outcome with "lastResultOf": "pending" when it is
    // the pending operation's, "other" when the terminal's last result is
    // another operation (the pending one most likely never reached it).
    // False when the terminal did not answer; the operation stays pending.
    bool recover(std::u16string& Ares);
    // The operator's way out when the terminal cannot tell: ends the pending
    // operation with a note.
    void resolvePending(const std::u16string& Anote);

    std::u16string host() const;
    void setHost(const std::u16string& Avalue);
    std::int32_t port() const;
    void setPort(std::int32_t Avalue);
    std::int32_t timeout() const;
    void setTimeout(std::int32_t Avalue);
    bool JSONOut() const;
    void setJSONOut(bool Avalue);

private:
    using TReceiveWait = ecr17::detail::TReceiveWait;
    struct TReceipt {
        std::u16string text;
        bool complete = false;  // the end mark arrived
    };

    void checkPayRunning();
    // Raises "Another payment is running" (logged) while an asynchronous
    // payment's worker owns the connection.
    void refuseWhileCollecting();
    // Raises while the journal holds an operation without an outcome.
    void refusePending();
    bool sendPrintMode();
    // The request of a payment or reversal, journaled, and its outcome.
    bool sendFinancial(const std::u16string& Arequest, std::u16string& Ares, bool& Atimeout);
    bool paymentAwait(std::u16string& Ares, bool& Atimeout);
    // Collects the receipt blocks after an outcome, within the receipt bounds.
    void collectReceipt(TReceipt& Areceipt, bool& Atimeout);
    bool awaitReceiptBlock(TReceiveWait& Await, std::u16string& Ablock, bool& Alast, bool& Atimeout);
    bool receiptBoundReached(TReceipt& Areceipt, std::size_t Ablocks);
    // collectReceipt, where a lost connection after an accepted outcome ends
    // the receipt instead of the payment.
    void receiptAfter(bool AoutcomeAccepted, TReceipt& Areceipt, bool& Atimeout);
    // Waits for a frame that Aaccepts; others are logged with Adropped and
    // dropped within the same wait.
    std::u16string awaitAnswer(int Aseconds, bool (*Aaccepts)(std::u16string_view), std::u16string_view Adropped);
    bool fetchLastResult(std::u16string& Areceived);

    friend class ecr17::detail::TPayThread;

    // The connection, the settings and the state of the operations, kept out
    // of this header (see EcrState.h).
    std::unique_ptr<ecr17::detail::TEcrState> Fstate;
};
