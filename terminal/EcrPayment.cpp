// TECR's synchronous payment and the outcome wait it shares with the
// asynchronous payment.
#include "ECR17u.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "PayRequest.h"
#include "PaymentResponse.h"
#include "ReceiptText.h"
#include "ServiceCommands.h"
#include "TextConvert.h"
#include "TransportErrors.h"

#include <stdexcept>

bool TECR::pay(Currency Aamount, const std::u16string& Atext, std::u16string& Ares, bool& Atimeout)
{
    const TMethodTrace trace = Logger().TraceMethod(u"pay");
    bool result = false;
    Ares.clear();
    Atimeout = false;
    dlogMsg(u"Sync payment start", lvInfo);
    checkPayRunning();
    const TConnectionCloser closer(FLink.tcpClient());
    withLogException([&] {
        if (!sendPrintMode())
            return;
        const std::u16string request = buildPayRequest(Atext, Aamount);
        if (!FLink.Send(request))
            return;
        Ares.clear();
        result = paymentAwait(Ares, Atimeout);
    });
    return result;
}

void TECR::checkPayRunning()
{
    const TMethodTrace trace = Logger().TraceMethod(u"checkPayRunning");
    withLogException([&] {
        dlogMsg(u"Check async payment running", lvInfo);
        if (FpayAsyncRunning.load(std::memory_order_acquire))
            throw std::runtime_error("Another payment is running");
    });
}

bool TECR::sendPrintMode()
{
    const TMethodTrace trace = Logger().TraceMethod(u"sendPrintMode");
    const bool sent = FLink.Send(printModeCommand(FprintMode));
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
        const std::u16string received = FLink.receiveData(Ftimeout, Atimeout, false);
        if (parsePaymentRes(received, FJSONout, Ares)) {
            result = true;
            dlogMsg(u"Payment completed", lvNotice);
            FLink.SendACK();
        }
        // Receipt blocks are awaited even when no outcome was accepted.
        if (FprintMode != 0) {
            const std::u16string receipt = receiptAfter(result, Atimeout);
            if (!receipt.empty())
                Ares = appendReceipt(Ares, ::formatReceipt(receipt, FreceiptCols), FJSONout);
        }
        return result;
    });
}

std::u16string TECR::receiptAfter(bool AoutcomeAccepted, bool& Atimeout)
{
    std::u16string receipt;
    try {
        collectReceipt(receipt, Atimeout);
    } catch (const ETransportError& e) {
        if (!AoutcomeAccepted)
            throw;
        // The terminal's outcome is in and acknowledged: a lost connection
        // costs the rest of the receipt, never the outcome of the payment.
        dlogMsg(utf8ToText(e.what()), lvError);
        dlogMsg(u"Receipt not received", lvError);
    }
    return receipt;
}

void TECR::collectReceipt(std::u16string& Areceipt, bool& Atimeout)
{
    bool last = false;
    while (!last) {
        const std::u16string received = FLink.receiveData(Ftimeout, Atimeout, false);
        if (received.empty()) {
            dlogMsg(u"Receipt not received", lvError);
            break;
        }
        std::u16string block;
        if (parseReceiptRes(received, block, last)) {
            Areceipt += block;
            FLink.SendACK();
            continue;
        }
        // A complete frame that is no receipt block would be returned again
        // by every wait: take it out of the buffer and wait on.
        dlogMsg(u"Not a receipt block, dropped: " + extractBetween(received, STX, ETX), lvWarning);
        FLink.dropFirstFrame();
    }
}

bool TECR::amountValidate(Currency Aamount)
{
    return ::amountValidate(Aamount);
}

std::u16string TECR::formatReceipt(const std::u16string& Areceipt)
{
    return ::formatReceipt(Areceipt, FreceiptCols);
}
