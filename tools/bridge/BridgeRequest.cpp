#include "BridgeRequest.h"

#include "CliAmount.h"
#include "TextConvert.h"

using namespace ecr17::detail;


namespace {

constexpr std::size_t maxKeyLength = 255;

std::string name(std::u16string_view Aname)
{
    return textToUtf8(Aname);
}

const TJSONbase* member(const TJSONobject& Abody, std::u16string_view Aname, TJSONtypes Akind, const char* AkindName)
{
    const TJSONbase* value = Abody.OldGetField(Aname);
    if (value && value->SelfType() != Akind)
        throw EBadRequest(name(Aname) + " must be " + AkindName);
    return value;
}

TPrintMode printMode(const TJSONobject& Abody)
{
    const auto* value = static_cast<const TJSONnumber*>(member(Abody, u"printMode", jsNumber, "a number"));
    if (!value)
        return 0;
    const long double mode = value->AsExtended();
    if (mode != 0 && mode != 1 && mode != 2)
        throw EBadRequest("printMode must be 0, 1 or 2");
    return static_cast<TPrintMode>(mode);
}

} // namespace

std::unique_ptr<TJSONobject> requestObject(std::string_view Abody)
{
    std::unique_ptr<TJSONobject> object = bridgeParseObject(Abody);
    if (!object)
        throw EBadRequest("The body is not a JSON object");
    return object;
}

std::string textMember(const TJSONobject& Abody, std::u16string_view Aname, const std::string& Adefault)
{
    const auto* value = static_cast<const TJSONstring*>(member(Abody, Aname, jsString, "a text"));
    return value ? textToUtf8(value->AsString()) : Adefault;
}

bool flagMember(const TJSONobject& Abody, std::u16string_view Aname, bool Adefault)
{
    const auto* value = static_cast<const TJSONboolean*>(member(Abody, Aname, jsBoolean, "true or false"));
    return value ? value->AsBoolean() : Adefault;
}

TPaymentRequest paymentRequest(const TJSONobject& Abody)
{
    TPaymentRequest request;
    if (!Abody.OldGetField(u"amount"))
        throw EBadRequest("amount is missing");
    request.amountText = textMember(Abody, u"amount");
    const auto amount = cliParseAmount(request.amountText);
    if (!amount)
        throw EBadRequest("amount must be a decimal text such as \"12.34\", not \"" + request.amountText + "\"");
    request.amount = *amount;
    request.description = textMember(Abody, u"description");
    request.printMode = printMode(Abody);
    request.idempotencyKey = textMember(Abody, u"idempotencyKey");
    if (request.idempotencyKey.size() > maxKeyLength)
        throw EBadRequest("idempotencyKey is longer than " + std::to_string(maxKeyLength) + " characters");
    return request;
}

std::u16string stanMember(const TJSONobject& Abody)
{
    const std::string stan = textMember(Abody, u"stan");
    if (!stan.empty() && (stan.size() != 6 || stan.find_first_not_of("0123456789") != std::string::npos))
        throw EBadRequest("stan must be six digits, not \"" + stan + "\"");
    return utf8ToText(stan);
}
