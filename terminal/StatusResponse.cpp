#include "StatusResponse.h"

#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "ResultText.h"

#include <array>

namespace ecr17::detail {

namespace {

constexpr std::size_t minimumPayload = 31;

std::array<TResultField, 4> statusFields(const TStatusResponse& Aresponse)
{
    return {{
        {u"termID", u"Terminal ID: ", Aresponse.TermID.text()},
        {u"datetime", u"Date/time: ", Aresponse.DateTime.text()},
        {u"status", u"Status: ", Aresponse.Status.text()},
        {u"SWrelease", u"SW Release: ", Aresponse.SWrelease},
    }};
}

TStatusResponse statusFromPayload(std::u16string_view Apayload)
{
    TStatusResponse response;
    response.TermID.assign(payloadField(Apayload, 1, 8));
    response.DateTime.assign(payloadField(Apayload, 21, 10));
    response.Status.assign(payloadField(Apayload, 31, 1));
    response.SWrelease = payloadField(Apayload, 32, std::u16string_view::npos);
    return response;
}

} // namespace

bool parseStatusRes(std::u16string_view Areceived, bool AJSONout, std::u16string& Ares)
{
    const TMethodTrace trace = Logger().TraceMethod(u"parseStatusRes");
    return withLogException([&] {
        const std::u16string payload = extractBetween(Areceived, STX, ETX);
        if (payload.empty()) return false;
        dlogMsg(u"EFT status response:  " + payload, lvNotice);
        if (payload.size() < minimumPayload) return false;
        const TStatusResponse response = statusFromPayload(payload);
        Ares = AJSONout ? statusResToJSON(response) : statusResToText(response);
        return true;
    });
}

std::u16string statusResToJSON(const TStatusResponse& Aresponse)
{
    return resultFieldsToJSON(statusFields(Aresponse));
}

std::u16string statusResToText(const TStatusResponse& Aresponse)
{
    return resultFieldsToText(statusFields(Aresponse));
}

} // namespace ecr17::detail
