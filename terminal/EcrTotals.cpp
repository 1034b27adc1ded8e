// TECR::totals: the terminal's total since its last close.
#include "ECR17u.h"

#include "EcrState.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "ServiceCommands.h"
#include "TotalsResponse.h"

using namespace ecr17::detail;

namespace {

bool isTotals(std::u16string_view Areceived)
{
    std::u16string scratch;
    return parseTotalsRes(Areceived, true, scratch);
}

} // namespace

bool TECR::totals(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"totals");
    bool result = false;
    dlogMsg(u"Totals requested", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    const TConnectionCloser closer(Fstate->FLink.tcpClient());
    withLogException([&] {
        if (!Fstate->FLink.Send(totalsCommand))
            return;
        const std::u16string received = awaitAnswer(Fstate->Ftimeout, isTotals, u"Not a totals response, dropped: ");
        if (!parseTotalsRes(received, Fstate->FJSONout, Ares))
            return;
        result = true;
        Fstate->FLink.SendACK();
        dlogMsg(u"Totals received", lvNotice);
    });
    return result;
}
