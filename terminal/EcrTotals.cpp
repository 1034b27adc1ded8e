// TECR::totals: the terminal's total since its last close.
#include "ECR17u.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "ServiceCommands.h"
#include "TotalsResponse.h"

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
    const TOperationGuard guard(FoperationRunning);
    const TConnectionCloser closer(FLink.tcpClient());
    withLogException([&] {
        if (!FLink.Send(totalsCommand))
            return;
        const std::u16string received = awaitAnswer(Ftimeout, isTotals, u"Not a totals response, dropped: ");
        if (!parseTotalsRes(received, FJSONout, Ares))
            return;
        result = true;
        FLink.SendACK();
        dlogMsg(u"Totals received", lvNotice);
    });
    return result;
}
