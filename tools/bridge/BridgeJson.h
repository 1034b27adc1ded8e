// JSON bodies of the bridge: replies, errors and request bodies, in UTF-8.
#pragma once

#include "uJSON.h"

#include <memory>
#include <string>
#include <string_view>

// What a route answers: an HTTP status and a JSON body.
struct TBridgeReply {
    int status = 200;
    std::string body;
};

std::string bridgeJsonText(const TJSONbase& Avalue);
TBridgeReply bridgeReply(int Astatus, const TJSONbase& Avalue);
// {"error":"Amessage"}
TBridgeReply bridgeError(int Astatus, std::string_view Amessage);

// The client's own JSON result as a tree, to be placed in an envelope as it
// is; null when the client returned no text.
std::unique_ptr<TJSONbase> bridgeClientResult(const std::u16string& Ares);

// The body as a JSON object; an empty body is an empty object. Null when the
// body is not a JSON object.
std::unique_ptr<TJSONobject> bridgeParseObject(std::string_view Abody);
