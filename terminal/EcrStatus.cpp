// TECR::status: one exchange on its own connection.
#include "ECR17u.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "PaymentResponse.h"
#include "StatusResponse.h"

bool TECR::status(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"status");
    bool result = false;
    dlogMsg(u"Get EFT status", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(FoperationRunning);
    const TConnectionCloser closer(FLink.tcpClient());
    withLogException([&] {
        if (!FLink.Send(statusCommand))
            return;
        const std::u16string received = statusAwait();
        if (!parseStatusRes(received, FJSONout, Ares))
            return;
        result = true;
        FLink.SendACK();
        dlogMsg(u"Get EFT status completed", lvNotice);
    });
    return result;
}

std::u16string TECR::statusAwait()
{
    TReceiveWait wait = FLink.startWait(kStatusWaitSeconds);
    for (;;) {
        bool timedOut = false;
        const std::u16string received = FLink.receiveData(wait, timedOut, false);
        // A payment's outcome that comes late is no status: acknowledging it
        // would tell the terminal the cash register has it.
        if (!isPaymentOutcome(received))
            return received;
        dlogMsg(u"Not a status response, dropped: " + extractBetween(received, STX, ETX), lvWarning);
        FLink.dropFirstFrame();
    }
}
