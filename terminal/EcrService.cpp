// TECR's service commands: reprint, session close and the print mode.
#include "ECR17u.h"

#include "EcrState.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "ServiceCommands.h"
#include "TextConvert.h"

#include <stdexcept>

using namespace ecr17::detail;

bool TECR::reprint(bool AserviceTicket)
{
    const TMethodTrace trace = Logger().TraceMethod(u"reprint");
    bool result = false;
    dlogMsg(u"Reprint ticket", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    const TConnectionCloser closer(Fstate->FLink.tcpClient());
    withLogException([&] {
        result = Fstate->FLink.Send(reprintCommand(AserviceTicket));
        if (result)
            dlogMsg(u"Reprint requested", lvInfo);
        else
            dlogMsg(u"Reprint requested Error", lvError);
    });
    return result;
}

bool TECR::closeSession()
{
    const TMethodTrace trace = Logger().TraceMethod(u"closeSession");
    dlogMsg(u"Close session requested", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    // Only a connection that an operation left open is closed here; an error
    // leaves it as it is.
    return withLogException([&] {
        if (!Fstate->FLink.tcpClient().Connected())
            return false;
        const bool result = Fstate->FLink.Send(closeSessionCommand);
        if (result)
            dlogMsg(u"Close session requested successful", lvNotice);
        else
            dlogMsg(u"Close session requested failed", lvWarning);
        Fstate->FLink.tcpClient().Disconnect();
        return result;
    });
}

void TECR::setPrintMode(TPrintMode AprintMode)
{
    const TMethodTrace trace = Logger().TraceMethod(u"setPrintMode");
    // The mode travels as one digit; the terminal knows 0, 1 and 2.
    if (AprintMode > 2)
        throw std::out_of_range("Print mode out of range: " + std::to_string(AprintMode));
    dlogMsg(u"Print Mode setted to " + intToText(AprintMode), lvInfo);
    Fstate->FprintMode = AprintMode;
}
