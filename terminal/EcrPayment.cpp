// TECR's synchronous payment and the outcome wait it shares with the
// asynchronous payment.
#include "ECR17u.h"

#include "EcrState.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "PayRequest.h"
#include "PaymentResponse.h"
#include "ReceiptText.h"
#include "ServiceCommands.h"
#include "TextConvert.h"
#include "TotalsResponse.h"
#include "TransportErrors.h"

#include <algorithm>
#include <stdexcept>

using namespace ecr17::detail;

bool TECR::pay(Currency Aamount, const std::u16string& Atext, std::u16string& Ares, bool& Atimeout)
{
    const TMethodTrace trace = Logger().TraceMethod(u"pay");
    bool result = false;
    Ares.clear();
    Atimeout = false;
    dlogMsg(u"Sync payment start", lvInfo);
    checkPayRunning();
    const TOperationGuard guard(Fstate->FoperationRunning);
    refusePending();
    Fstate->FreceiptComplete.store(true);
    const TConnectionCloser closer(Fstate->FLink.tcpClient());
    withLogException([&] {
        if (!sendPrintMode())
            return;
        const std::u16string request = buildPayRequest(Atext, Aamount);
        Fstate->Fjournal.sent(u"payment", amountText(Aamount), Atext, u"");
        result = sendFinancial(request, Ares, Atimeout);
    });
    return result;
}

bool TECR::reversal(const std::u16string& Astan, std::u16string& Ares, bool& Atimeout)
{
    const TMethodTrace trace = Logger().TraceMethod(u"reversal");
    bool result = false;
    Ares.clear();
    Atimeout = false;
    dlogMsg(u"Reversal start: STAN " + Astan, lvInfo);
    checkPayRunning();
    const TOperationGuard guard(Fstate->FoperationRunning);
    refusePending();
    const std::u16string stan = withLogException([&] { return reversalStan(Astan); });
    Fstate->FreceiptComplete.store(true);
    const TConnectionCloser closer(Fstate->FLink.tcpClient());
    withLogException([&] {
        if (!sendPrintMode())
            return;
        Fstate->Fjournal.sent(u"reversal", u"", u"", stan);
        result = sendFinancial(reversalCommand(stan), Ares, Atimeout);
    });
    return result;
}

bool TECR::sendFinancial(const std::u16string& Arequest, std::u16string& Ares, bool& Atimeout)
{
    // The outcome stays unknown unless paymentAwait records it.
    const TJournalFinish finish(Fstate->Fjournal);
    if (!Fstate->FLink.Send(Arequest))
        return false;
    return paymentAwait(Ares, Atimeout);
}

void TECR::refusePending()
{
    if (Fstate->Fjournal.pending())
        withLogException([] { throw std::runtime_error("A previous payment has no outcome: recover it first"); });
}

void TECR::checkPayRunning()
{
    const TMethodTrace trace = Logger().TraceMethod(u"checkPayRunning");
    withLogException([&] {
        dlogMsg(u"Check async payment running", lvInfo);
        if (Fstate->FpayAsync.running())
            throw std::runtime_error("Another payment is running");
    });
}

bool TECR::sendPrintMode()
{
    const TMethodTrace trace = Logger().TraceMethod(u"sendPrintMode");
    const bool sent = Fstate->FLink.Send(printModeCommand(Fstate->FprintMode));
    if (sent)
        dlogMsg(u"Print Mode sended", lvInfo);
    else
        dlogMsg(u"Error sending Print Mode", lvError);
    return sent;
}

bool TECR::paymentAwait(std::u16string& Ares, bool& Atimeout)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"paymentAwait");
    return withLogException([&] {
        bool result = false;
        const std::u16string received = Fstate->FLink.receiveData(Fstate->Ftimeout, Atimeout, false);
        if (parsePaymentRes(received, Fstate->FJSONout, Ares)) {
            result = true;
            dlogMsg(u"Payment completed", lvNotice);
            Fstate->FLink.SendACK();
            // On the disk before the receipt: a crash now keeps the outcome.
            Fstate->Fjournal.outcome(Ares, paymentStan(received));
        }
        // Receipt blocks are awaited even when no outcome was accepted.
        if (Fstate->FprintMode != 0) {
            TReceipt receipt;
            receiptAfter(result, receipt, Atimeout);
            Fstate->FreceiptComplete.store(receipt.complete);
            if (!receipt.text.empty())
                Ares = appendReceipt(Ares, ecr17::detail::formatReceipt(receipt.text, Fstate->FreceiptCols), Fstate->FJSONout);
        }
        return result;
    });
}

void TECR::receiptAfter(bool AoutcomeAccepted, TReceipt& Areceipt, bool& Atimeout)
{
    try {
        collectReceipt(Areceipt, Atimeout);
    } catch (const ETransportError& e) {
        if (!AoutcomeAccepted)
            throw;
        // The terminal's outcome is in and acknowledged: a lost connection
        // costs the rest of the receipt, never the outcome of the payment.
        dlogMsg(utf8ToText(e.what()), lvError);
        dlogMsg(u"Receipt not received", lvError);
    }
}

void TECR::collectReceipt(TReceipt& Areceipt, bool& Atimeout)
{
    std::size_t blocks = 0;
    while (!Areceipt.complete) {
        if (receiptBoundReached(Areceipt, blocks))
            return;
        // Frames that are no receipt block are dropped within the block's wait.
        TReceiveWait wait = Fstate->FLink.startWait(Fstate->Ftimeout);
        std::u16string block;
        if (!awaitReceiptBlock(wait, block, Areceipt.complete, Atimeout)) {
            dlogMsg(u"Receipt not received", lvError);
            return;
        }
        Areceipt.text += block;
        ++blocks;
        Fstate->FLink.SendACK();
    }
}

bool TECR::awaitReceiptBlock(TReceiveWait& Await, std::u16string& Ablock, bool& Alast, bool& Atimeout)
{
    for (;;) {
        const std::u16string received = Fstate->FLink.receiveData(Await, Atimeout, false);
        if (received.empty())
            return false;
        if (parseReceiptRes(received, Ablock, Alast))
            return true;
        dlogMsg(u"Not a receipt block, dropped: " + extractBetween(received, STX, ETX), lvWarning);
        Fstate->FLink.dropFirstFrame();
    }
}

bool TECR::receiptBoundReached(TReceipt& Areceipt, std::size_t Ablocks)
{
    if (Ablocks < kMaxReceiptBlocks && Areceipt.text.size() < kMaxReceiptChars)
        return false;
    Areceipt.text.resize(std::min(Areceipt.text.size(), kMaxReceiptChars));
    dlogMsg(u"Receipt over " + intToText(static_cast<long long>(kMaxReceiptBlocks)) + u" blocks or "
                + intToText(static_cast<long long>(kMaxReceiptChars)) + u" characters: the rest is not collected",
            lvWarning);
    return true;
}

bool TECR::amountValidate(Currency Aamount)
{
    return ecr17::detail::amountValidate(Aamount);
}

std::u16string TECR::formatReceipt(const std::u16string& Areceipt)
{
    return ecr17::detail::formatReceipt(Areceipt, Fstate->FreceiptCols);
}
