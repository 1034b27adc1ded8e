#include "PaymentResponse.h"

#include "FrameCodec.h"
#include "LogException.h"
#include "ResultText.h"

#include <array>

namespace ecr17::detail {

namespace {

constexpr std::size_t codePosition = 10;

bool isOutcomeCode(char16_t Acode) noexcept { return Acode == u'E' || Acode == u'V'; }

std::array<TResultField, 11> paymentFields(const TPaymentResponse& Aresponse)
{
    return {{
        {u"termID", u"Terminal ID: ", Aresponse.termID.text()},
        {u"result", u"Result: ", Aresponse.result.text()},
        {u"pan", u"PAN: ", Aresponse.pan.text()},
        {u"tranType", u"Transaction Type: ", Aresponse.tranType.text()},
        {u"authCode", u"Auth Code: ", Aresponse.authCode.text()},
        {u"dateTime", u"Date/time: ", Aresponse.dateTime.text()},
        {u"description", u"Description: ", Aresponse.description.text()},
        {u"cardType", u"Card Type: ", Aresponse.cardType.text()},
        {u"acquirerID", u"Acquirer ID: ", Aresponse.acquirerID.text()},
        {u"stan", u"STAN: ", Aresponse.stan.text()},
        {u"IDonline", u"ID online: ", Aresponse.IDonline.text()},
    }};
}

void fillFromPayload(TPaymentResponse& Aresponse, std::u16string_view Apayload)
{
    Aresponse.termID.assign(payloadField(Apayload, 1, 8));
    Aresponse.result.assign(payloadField(Apayload, 11, 2));
    if (Aresponse.result == u"00") {
        Aresponse.pan.assign(payloadField(Apayload, 13, 19));
        Aresponse.tranType.assign(payloadField(Apayload, 32, 3));
        Aresponse.authCode.assign(payloadField(Apayload, 35, 6));
        Aresponse.dateTime.assign(payloadField(Apayload, 41, 7));
    }
    if (Aresponse.result == u"01") Aresponse.description.assign(payloadField(Apayload, 13, 24));
    Aresponse.cardType.assign(payloadField(Apayload, 48, 1));
    Aresponse.acquirerID.assign(payloadField(Apayload, 49, 11));
    Aresponse.stan.assign(payloadField(Apayload, 60, 6));
    Aresponse.IDonline.assign(payloadField(Apayload, 66, 6));
}

} // namespace

void clearPayResponse(TPaymentResponse& Aresponse) noexcept
{
    Aresponse = TPaymentResponse{};
}

bool isPaymentOutcome(std::u16string_view Areceived)
{
    const std::u16string payload = extractBetween(Areceived, STX, ETX);
    return payload.size() >= codePosition && isOutcomeCode(payload[codePosition - 1]);
}

std::u16string paymentStan(std::u16string_view Areceived)
{
    const std::u16string payload = extractBetween(Areceived, STX, ETX);
    return TShortString<6>(payloadField(payload, 60, 6)).text();
}

bool parsePaymentRes(std::u16string_view Areceived, bool AJSONout, std::u16string& Ares)
{
    Ares.clear();
    TPaymentResponse response;
    clearPayResponse(response);
    return withLogException([&] {
        if (!isPaymentOutcome(Areceived)) return false;
        const std::u16string payload = extractBetween(Areceived, STX, ETX);
        fillFromPayload(response, payload);
        Ares = AJSONout ? payResToJSON(response) : payResToText(response);
        return true;
    });
}

std::u16string payResToJSON(const TPaymentResponse& Aresponse)
{
    return resultFieldsToJSON(paymentFields(Aresponse));
}

std::u16string payResToText(const TPaymentResponse& Aresponse)
{
    return resultFieldsToText(paymentFields(Aresponse));
}

} // namespace ecr17::detail
