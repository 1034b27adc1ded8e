// Members of request bodies, read with the checks that make a wrong body a
// 400 with a clear message before anything reaches the terminal.
#pragma once

#include "BridgeJson.h"
#include "ECR17_TypesU.h"

#include <optional>
#include <stdexcept>
#include <string>

// A body the bridge cannot use; what() is the message of the 400 reply.
struct EBadRequest : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The body as a JSON object; raises EBadRequest when it is none.
std::unique_ptr<TJSONobject> requestObject(std::string_view Abody);

// A text member (UTF-8); Adefault when absent; raises EBadRequest when it is
// of another kind.
std::string textMember(const TJSONobject& Abody, std::u16string_view Aname, const std::string& Adefault = {});
// A boolean member; Adefault when absent.
bool flagMember(const TJSONobject& Abody, std::u16string_view Aname, bool Adefault);

// "stan": six digits, or absent or empty for the last transaction.
std::u16string stanMember(const TJSONobject& Abody);

struct TPaymentRequest {
    Currency amount = 0;
    std::string amountText;
    std::string description;
    TPrintMode printMode = 0;
    std::string idempotencyKey;
};

// {"amount":"12.34","description":"...","printMode":2,"idempotencyKey":"..."}:
// amount required, a decimal text with at most four decimals.
TPaymentRequest paymentRequest(const TJSONobject& Abody);
