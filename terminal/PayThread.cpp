// The asynchronous payment: TECR::payAsync, its polling, and its worker.
#include "PayThread.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "ECR17u.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "PayRequest.h"
#include "EcrState.h"
#include "TextConvert.h"

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace ecr17::detail;

namespace {

// The pause before the result is published.
constexpr std::chrono::milliseconds publishDelay{200};

} // namespace

bool TECR::payAsync(Currency Aamount, const std::u16string& Atext, TPayCallback Acallback)
{
    const TMethodTrace trace = Logger().TraceMethod(u"payAsync");
    dlogMsg(u"Async payment start", lvInfo);
    checkPayRunning();
    const TOperationGuard guard(Fstate->FoperationRunning);
    refusePending();
    Fstate->FreceiptComplete.store(true);
    // On failure the connection stays open: closeSession or the next
    // exchange closes it.
    return withLogException([&] {
        Fstate->FpayAsync.clearCompleted();
        if (!sendPrintMode())
            return false;
        const std::u16string request = buildPayRequest(Atext, Aamount);
        Fstate->Fjournal.sent(u"payment", amountText(Aamount), Atext, u"");
        // Until the worker runs, a failure here leaves the outcome unknown.
        TJournalFinish finish(Fstate->Fjournal);
        if (!Fstate->FLink.Send(request))
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
    std::u16string res;
    bool timeout = false;
    if (!Fstate->FpayAsync.poll(res, timeout))
        return false;
    dlogMsg(u"PayAsyncpolling completed - Response: " + res + u" - Timeout: " + boolText(timeout), lvNotice);
    Ares = std::move(res);
    Atimeout = timeout;
    return true;
}

void TECR::refuseWhileCollecting()
{
    if (Fstate->FpayAsync.running())
        withLogException([] { throw std::runtime_error("Another payment is running"); });
}

namespace ecr17::detail {

void TPayThread::Create(TECR& AECR, TPayCallback Acallback)
{
    const TMethodTrace trace = Logger().TraceMethod(u"TPayThread.Create");
    withLogException([&] {
        auto* worker = new TPayThread(AECR, Acallback);
        TPayAsyncState& state = AECR.Fstate->FpayAsync;
        state.begin();
        try {
            std::thread(&TPayThread::run, worker).detach();
        } catch (...) {
            state.cancelBegin();
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
    TPayAsyncState& state = FECR->Fstate->FpayAsync;
    delete this;
    // The last touch of the client: after this its destructor may run.
    state.finish();
}

void TPayThread::Execute()
{
    const TMethodTrace trace = Logger().TraceMethod(u"TPayThread.Execute");
    dlogMsg(u"Async Payment Thread in execution", lvInfo);
    // The worker owns the connection from here and closes it on every path,
    // after an error has been logged.
    const TConnectionCloser closer(FECR->Fstate->FLink.tcpClient());
    const TJournalFinish finish(FECR->Fstate->Fjournal);
    withLogException([&] {
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
        FECR->Fstate->FpayAsync.publish(Fres, Ftimeout);
        notifyCallback();
    });
}

void TPayThread::notifyCallback()
{
    if (!Fcallback)
        return;
    withLogException([&] { Fcallback(Fres.c_str(), Ftimeout); });
}

} // namespace ecr17::detail
