// The asynchronous payment: TECR::payAsync, its polling, and its worker.
#include "PayThread.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "ECR17u.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "PayRequest.h"
#include "TextConvert.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

// The pause before the result is published.
constexpr std::chrono::milliseconds publishDelay{200};

} // namespace

bool TECR::payAsync(Currency Aamount, const std::u16string& Atext, TPayCallback Acallback)
{
    const TMethodTrace trace = Logger().TraceMethod(u"payAsync");
    dlogMsg(u"Async payment start", lvInfo);
    checkPayRunning();
    const TOperationGuard guard(FoperationRunning);
    refusePending();
    FreceiptComplete.store(true);
    // On failure the connection stays open: closeSession or the next
    // exchange closes it.
    return withLogException([&] {
        FpayAsyncCompleted.store(false, std::memory_order_release);
        if (!sendPrintMode())
            return false;
        const std::u16string request = buildPayRequest(Atext, Aamount);
        Fjournal.sent(u"payment", amountText(Aamount), Atext, u"");
        // Until the worker runs, a failure here leaves the outcome unknown.
        TJournalFinish finish(Fjournal);
        if (!FLink.Send(request))
            return false;
        TPayThread::Create(*this, Acallback);
        finish.handOver();
        return true;
    });
}

bool TECR::payAsyncPolling(std::u16string& Ares, bool& Atimeout)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"payAsyncPolling");
    dlogMsg(u"PayAsyncpolling", lvInfo);
    if (!FpayAsyncCompleted.load(std::memory_order_acquire))
        return false;
    std::u16string res;
    bool timeout;
    {
        std::lock_guard lock(FpayAsyncLock);
        res = FpayAsyncRes;
        timeout = FpayAsyncTimeout;
    }
    dlogMsg(u"PayAsyncpolling completed - Response: " + res + u" - Timeout: " + boolText(timeout), lvNotice);
    Ares = std::move(res);
    Atimeout = timeout;
    return true;
}

void TECR::refuseWhileCollecting()
{
    if (FpayAsyncRunning.load(std::memory_order_acquire))
        withLogException([] { throw std::runtime_error("Another payment is running"); });
}

void TPayThread::Create(TECR& AECR, TPayCallback Acallback)
{
    const TMethodTrace trace = Logger().TraceMethod(u"TPayThread.Create");
    withLogException([&] {
        auto* worker = new TPayThread(AECR, Acallback);
        {
            std::lock_guard lock(AECR.FworkerLock);
            ++AECR.Fworkers;
        }
        AECR.FpayAsyncRunning.store(true, std::memory_order_release);
        try {
            std::thread(&TPayThread::run, worker).detach();
        } catch (...) {
            AECR.FpayAsyncRunning.store(false, std::memory_order_release);
            {
                std::lock_guard lock(AECR.FworkerLock);
                --AECR.Fworkers;
            }
            delete worker;
            throw;
        }
        dlogMsg(u"Async Payment Thread Created", lvInfo);
    });
}

void TPayThread::run() noexcept
{
    try {
        Execute();
    } catch (...) {
        // Logged by Execute's handler; like any thread's error, it ends here.
    }
    try {
        DoTerminate();
    } catch (const std::exception&) {
        // Logged by DoTerminate's handler; it must not end the process.
    } catch (...) {
        try {
            dlogMsg(u"Unknown error in the payment thread", lvError);
        } catch (...) {
        }
    }
    TECR& ecr = *FECR;
    delete this;
    // The last touch of the client: after this its destructor may run.
    std::lock_guard lock(ecr.FworkerLock);
    --ecr.Fworkers;
    ecr.FworkerDone.notify_all();
}

void TPayThread::Execute()
{
    const TMethodTrace trace = Logger().TraceMethod(u"TPayThread.Execute");
    dlogMsg(u"Async Payment Thread in execution", lvInfo);
    // The worker owns the connection from here and closes it on every path,
    // after an error has been logged.
    const TConnectionCloser closer(FECR->FLink.tcpClient());
    const TJournalFinish finish(FECR->Fjournal);
    withLogException([&] {
        FECR->FpayAsyncRunning.store(true, std::memory_order_release);
        Ftimeout = false;
        Fres.clear();
        FECR->paymentAwait(Fres, Ftimeout);
    });
}

void TPayThread::DoTerminate()
{
    const TMethodTrace trace = Logger().TraceMethod(u"TPayThread.DoTerminate");
    dlogMsg(u"Async Payment Thread terminated", lvInfo);
    withLogException([&] {
        std::this_thread::sleep_for(publishDelay);
        {
            std::lock_guard lock(FECR->FpayAsyncLock);
            FECR->FpayAsyncRes = Fres;
            FECR->FpayAsyncTimeout = Ftimeout;
        }
        FECR->FpayAsyncCompleted.store(true, std::memory_order_release);
        FECR->FpayAsyncRunning.store(false, std::memory_order_release);
        notifyCallback();
    });
}

void TPayThread::notifyCallback()
{
    if (!Fcallback)
        return;
    withLogException([&] { Fcallback(Fres.c_str(), Ftimeout); });
}
