#include "BridgeJson.h"

#include "TextConvert.h"

#include <algorithm>

using namespace ecr17::detail;

std::string bridgeJsonText(const TJSONbase& Avalue)
{
    return textToUtf8(TJSON::GenerateText(Avalue));
}

TBridgeReply bridgeReply(int Astatus, const TJSONbase& Avalue)
{
    return {Astatus, bridgeJsonText(Avalue)};
}

TBridgeReply bridgeError(int Astatus, std::string_view Amessage)
{
    TJSONobject error;
    error.Add(u"error", utf8ToText(Amessage));
    return bridgeReply(Astatus, error);
}

std::unique_ptr<TJSONbase> bridgeClientResult(const std::u16string& Ares)
{
    std::unique_ptr<TJSONbase> tree = Ares.empty() ? nullptr : TJSON::ParseText(Ares);
    if (!tree)
        return std::make_unique<TJSONnull>();
    return tree;
}

std::unique_ptr<TJSONobject> bridgeParseObject(std::string_view Abody)
{
    if (std::all_of(Abody.begin(), Abody.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }))
        return std::make_unique<TJSONobject>();
    std::unique_ptr<TJSONbase> tree = TJSON::ParseText(utf8ToText(Abody));
    if (!tree || tree->SelfType() != jsObject)
        return nullptr;
    return std::unique_ptr<TJSONobject>(static_cast<TJSONobject*>(tree.release()));
}
