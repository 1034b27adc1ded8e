// TECR: construction, settings, the log switches and progress reporting. The
// exchanges with the terminal live in EcrStatus.cpp, EcrPayment.cpp and
// EcrService.cpp.
#include "ECR17u.h"

#include "DiagLoggerU.h"
#include "LogException.h"
#include "LoggerU.h"
#include "EcrState.h"
#include "TcpConnection.h"
#include "TextConvert.h"

#include <algorithm>

using namespace ecr17::detail;

namespace {

inline constexpr std::int32_t minTimeout = 5;
inline constexpr std::int32_t maxTimeout = 120;
inline constexpr std::uint16_t minReceiptCols = 12;
inline constexpr std::uint16_t maxReceiptCols = 64;

std::unique_ptr<TTcpTransport> orNewConnection(std::unique_ptr<TTcpTransport> AtcpClient)
{
    return AtcpClient ? std::move(AtcpClient) : std::make_unique<TTcpConnection>();
}

} // namespace

TECR::TECR() : TECR(TLinkTiming{}) {}

TECR::TECR(TLinkTiming Atiming, std::unique_ptr<TTcpTransport> AtcpClient)
    : Fstate(std::make_unique<TEcrState>(std::move(Atiming), nullptr))
{
    dlogMsg(dlogSeparator, lvInfo);
    const TMethodTrace trace = Logger().TraceMethod(u"Create");
    withLogException([&] {
        Fstate->FLink.setConnection(orNewConnection(std::move(AtcpClient)));
        Fstate->FLink.tcpClient().setOnConnected([] { dlogMsg(u"TCP client connected", lvNotice); });
        Fstate->FLink.tcpClient().setOnDisconnected([] { dlogMsg(u"TCP client disconnected", lvNotice); });
        dlogMsg(u"ECR object Created", lvInfo);
    });
}

TECR::~TECR()
{
    // An asynchronous payment's worker uses this object up to the end of its
    // termination step. (Destroying the client from its own completion
    // callback would wait for itself: callers must not.)
    Fstate->FpayAsync.waitIdle();
    // A destructor cannot pass an error on: it is logged and stops here.
    try {
        const TMethodTrace trace = Logger().TraceMethod(u"Destroy");
        withLogException([&] {
            Fstate->FLink.releaseConnection();
            dlogMsg(u"ECR object destroyed", lvInfo);
        });
    } catch (...) {
    }
}

std::u16string TECR::host() const
{
    return Fstate->FLink.address().endpoint().host;
}

void TECR::setHost(const std::u16string& Avalue)
{
    const TMethodTrace trace = Logger().TraceMethod(u"SetHost");
    withLogException([&] {
        Fstate->FLink.address().setHost(Avalue);
        dlogMsg(u"Host setted: " + Avalue, lvConfig);
    });
}

std::int32_t TECR::port() const
{
    return Fstate->FLink.address().endpoint().port;
}

void TECR::setPort(std::int32_t Avalue)
{
    const TMethodTrace trace = Logger().TraceMethod(u"SetPort");
    withLogException([&] {
        // The connection keeps a 16-bit port: only the low 16 bits survive.
        const auto port = static_cast<std::uint16_t>(Avalue);
        Fstate->FLink.address().setPort(port);
        dlogMsg(u"Port setted: " + intToText(port), lvConfig);
    });
}

std::int32_t TECR::timeout() const
{
    return Fstate->Ftimeout.load();
}

void TECR::setTimeout(std::int32_t Avalue)
{
    const TMethodTrace trace = Logger().TraceMethod(u"SetTimeOut");
    withLogException([&] {
        Fstate->Ftimeout = std::clamp(Avalue, minTimeout, maxTimeout);
        dlogMsg(u"Timeout setted: " + intToText(Fstate->Ftimeout.load()), lvConfig);
    });
}

bool TECR::JSONOut() const
{
    return Fstate->FJSONout.load();
}

void TECR::setJSONOut(bool Avalue)
{
    const TMethodTrace trace = Logger().TraceMethod(u"SetJSONout");
    withLogException([&] {
        Fstate->FJSONout = Avalue;
        dlogMsg(u"JSONout setted: " + boolText(Avalue), lvConfig);
    });
}

bool TECR::setReceiptColumns(std::uint16_t Acols)
{
    if (Acols < minReceiptCols || Acols > maxReceiptCols)
        return false;
    Fstate->FreceiptCols = Acols;
    return true;
}

bool TECR::logEnable(const std::u16string& AlogFile)
{
    return withLogException([&] {
        dlogEnable(AlogFile);
        // Frames carry control characters; escaped they stay readable.
        dlogSetHexControlChars(true);
        return dlogActive();
    });
}

void TECR::logDisable()
{
    withLogException([] { dlogDisable(); });
}

bool TECR::receiptComplete() const
{
    return Fstate->FreceiptComplete.load();
}

std::u16string TECR::getProgress()
{
    return Fstate->FLink.getProgress();
}

void TECR::setProgressCallback(TProgressCallback Acallback)
{
    Fstate->FLink.setProgressCallback(Acallback);
}
