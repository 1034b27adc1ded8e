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
#include "LinkConstants.h"
#include "LinkSession.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <memory>
#include <string>

class TECR {
public:
    TECR();
    // The same with the link's poll length and clock replaced, and optionally
    // the connection object (a TTcpConnection when none is given).
    explicit TECR(TLinkTiming Atiming, std::unique_ptr<TTcpTransport> AtcpClient = nullptr);
    ~TECR();
    TECR(const TECR&) = delete;
    TECR& operator=(const TECR&) = delete;

    bool pay(Currency Aamount, const std::u16string& Atext, std::u16string& Ares, bool& Atimeout);
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

    std::u16string host() const;
    void setHost(const std::u16string& Avalue);
    std::int32_t port() const;
    void setPort(std::int32_t Avalue);
    std::int32_t timeout() const;
    void setTimeout(std::int32_t Avalue);
    bool JSONOut() const;
    void setJSONOut(bool Avalue);

private:
    void checkPayRunning();
    bool sendPrintMode();
    bool paymentAwait(std::u16string& Ares, bool& Atimeout);
    std::u16string statusAwait();
    struct TReceipt {
        std::u16string text;
        bool complete = false;  // the end mark arrived
    };
    // Collects the receipt blocks after an outcome, within kMaxReceiptBlocks
    // and kMaxReceiptChars.
    void collectReceipt(TReceipt& Areceipt, bool& Atimeout);
    bool awaitReceiptBlock(TReceiveWait& Await, std::u16string& Ablock, bool& Alast, bool& Atimeout);
    bool receiptBoundReached(TReceipt& Areceipt, std::size_t Ablocks);
    // collectReceipt, where a lost connection after an accepted outcome ends
    // the receipt instead of the payment.
    void receiptAfter(bool AoutcomeAccepted, TReceipt& Areceipt, bool& Atimeout);
    // Raises "Another payment is running" (logged) while an asynchronous
    // payment's worker owns the connection.
    void refuseWhileCollecting();

    friend class TPayThread;

    // The connection (FtcpClient), the receive buffer and the progress text.
    TLinkSession FLink;
    // Settings are read by an asynchronous payment's worker while the owner
    // may write them.
    std::atomic<std::int32_t> Ftimeout{60};
    // Published by the worker in this order: result and time-out flag (under
    // FpayAsyncLock), then completed (release), then running (release).
    // Running is set from the worker's creation, so no second payment can
    // slip in before the worker starts.
    std::atomic<bool> FpayAsyncRunning{false};
    std::atomic<bool> FpayAsyncCompleted{false};
    std::mutex FpayAsyncLock;
    std::u16string FpayAsyncRes;
    bool FpayAsyncTimeout = false;
    // Workers that have not finished their termination step; the destructor
    // waits for them.
    std::mutex FworkerLock;
    std::condition_variable FworkerDone;
    int Fworkers = 0;
    // Set while a synchronous exchange (or an asynchronous payment's start)
    // runs; see OperationGuard.h.
    std::atomic<bool> FoperationRunning{false};
    std::atomic<bool> FreceiptComplete{true};
    std::atomic<bool> FJSONout{true};
    std::atomic<TPrintMode> FprintMode{0};
    std::atomic<std::uint16_t> FreceiptCols{24};
};
