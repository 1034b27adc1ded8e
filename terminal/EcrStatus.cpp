// TECR::status: one exchange on its own connection.
#include "ECR17u.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "LogException.h"
#include "LoggerU.h"
#include "StatusResponse.h"

bool TECR::status(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"status");
    bool result = false;
    dlogMsg(u"Get EFT status", lvInfo);
    refuseWhileCollecting();
    const TConnectionCloser closer(FLink.tcpClient());
    withLogException([&] {
        if (!FLink.Send(statusCommand))
            return;
        bool timedOut = false;
        const std::u16string received = FLink.receiveData(kStatusWaitSeconds, timedOut, false);
        if (!parseStatusRes(received, FJSONout, Ares))
            return;
        result = true;
        FLink.SendACK();
        dlogMsg(u"Get EFT status completed", lvNotice);
    });
    return result;
}
