// TECR::status: one exchange on its own connection.
#include "ECR17u.h"

#include "EcrState.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "PaymentResponse.h"
#include "StatusResponse.h"

using namespace ecr17::detail;

namespace {

bool isNoPaymentOutcome(std::u16string_view Areceived)
{
    return !isPaymentOutcome(Areceived);
}

} // namespace

bool TECR::status(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"status");
    bool result = false;
    dlogMsg(u"Get EFT status", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    const TConnectionCloser closer(Fstate->FLink.tcpClient());
    withLogException([&] {
        if (!Fstate->FLink.Send(statusCommand))
            return;
        // A payment's outcome that comes late is no status: acknowledging it
        // would tell the terminal the cash register has it.
        const std::u16string received = awaitAnswer(kStatusWaitSeconds, isNoPaymentOutcome,
                                                    u"Not a status response, dropped: ");
        if (!parseStatusRes(received, Fstate->FJSONout, Ares))
            return;
        result = true;
        Fstate->FLink.SendACK();
        dlogMsg(u"Get EFT status completed", lvNotice);
    });
    return result;
}

std::u16string TECR::awaitAnswer(int Aseconds, bool (*Aaccepts)(std::u16string_view), std::u16string_view Adropped)
{
    TReceiveWait wait = Fstate->FLink.startWait(Aseconds);
    for (;;) {
        bool timedOut = false;
        const std::u16string received = Fstate->FLink.receiveData(wait, timedOut, false);
        if (received.empty() || Aaccepts(received))
            return received;
        dlogMsg(std::u16string(Adropped) + extractBetween(received, STX, ETX), lvWarning);
        Fstate->FLink.dropFirstFrame();
    }
}
