// The parsers of the terminal's responses, and the receipt formatting, on any
// text received from the wire. The first two bytes choose the result form and
// the receipt width; the rest is what the terminal sent, decoded as the link
// decodes it. A parsed outcome in JSON form must read back as an object of
// string members in the fixed order, with the receipt attached last; a
// formatted receipt keeps every character of the text and no line is wider
// than the width.
#include "FuzzCheck.h"
#include "FrameCodec.h"
#include "PaymentResponse.h"
#include "ReceiptText.h"
#include "StatusResponse.h"
#include "WireEncoding.h"
#include "uJSON.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

using namespace ecr17::detail;

namespace {

constexpr std::array<std::u16string_view, 4> statusMembers = {u"termID", u"datetime", u"status", u"SWrelease"};
constexpr std::array<std::u16string_view, 11> outcomeMembers = {
    u"termID", u"result",     u"pan",  u"tranType", u"authCode", u"dateTime",
    u"description", u"cardType", u"acquirerID", u"stan", u"IDonline"};

// Areceived read back as an object whose members are strings named Anames,
// in order; the object is returned for further checks.
std::unique_ptr<TJSONbase> checkStringObject(const std::u16string& Atext, std::span<const std::u16string_view> Anames)
{
    std::unique_ptr<TJSONbase> root = TJSON::ParseText(Atext);
    auto* object = dynamic_cast<TJSONobject*>(root.get());
    FUZZ_CHECK(object != nullptr);
    FUZZ_CHECK(object->Count() == static_cast<std::int32_t>(Anames.size()));
    for (std::size_t i = 0; i < Anames.size(); ++i) {
        std::u16string name;
        const auto* member = object->EnumElement(static_cast<std::int32_t>(i), name);
        FUZZ_CHECK(name == Anames[i]);
        FUZZ_CHECK(member != nullptr && member->SelfType() == jsString);
    }
    FUZZ_CHECK(TJSON::GenerateText(*object) == Atext);
    return root;
}

std::u16string withoutMarks(std::u16string_view Atext)
{
    std::u16string out;
    for (const char16_t c : Atext)
        if (c != u'\n' && c != u'}' && c != 0x7F && c != ESC) out += c;
    return out;
}

void checkFormatted(std::u16string_view Areceipt, const std::u16string& Aformatted, std::uint16_t Acols)
{
    std::size_t lineLength = 0;
    for (const char16_t c : Aformatted) {
        lineLength = c == u'\n' ? 0 : lineLength + 1;
        FUZZ_CHECK(lineLength <= Acols);
        FUZZ_CHECK(c != u'}' && c != 0x7F && c != ESC);
    }
    FUZZ_CHECK(withoutMarks(Aformatted) == withoutMarks(Areceipt));
}

void checkStatus(const std::u16string& Areceived, bool AJSONout)
{
    const std::u16string before = u"unchanged";
    std::u16string res = before;
    if (!parseStatusRes(Areceived, AJSONout, res)) {
        FUZZ_CHECK(res == before);
        return;
    }
    FUZZ_CHECK(extractBetween(Areceived, STX, ETX).size() >= 31);
    if (AJSONout) checkStringObject(res, statusMembers);
}

// The outcome rendering, or empty when Areceived holds none.
std::u16string checkOutcome(const std::u16string& Areceived, bool AJSONout)
{
    std::u16string res = u"stale";
    const bool parsed = parsePaymentRes(Areceived, AJSONout, res);
    FUZZ_CHECK(parsed != res.empty());
    if (parsed && AJSONout) checkStringObject(res, outcomeMembers);
    return res;
}

void checkReceiptBlock(const std::u16string& Areceived)
{
    std::u16string block = u"stale";
    bool last = false;
    if (!parseReceiptRes(Areceived, block, last)) {
        FUZZ_CHECK(block.empty());
        return;
    }
    const std::u16string payload = extractBetween(Areceived, STX, ETX);
    FUZZ_CHECK(payload.size() > 10 && payload[9] == u'S' && block == payload.substr(10));
    FUZZ_CHECK(last == (block.find(ESC) != std::u16string::npos));
}

void checkAttached(const std::u16string& Aoutcome, const std::u16string& Areceipt, bool AJSONout)
{
    const std::u16string attached = appendReceipt(Aoutcome, Areceipt, AJSONout);
    if (!AJSONout) {
        FUZZ_CHECK(attached == Aoutcome + u"Receipt: " + Areceipt + u"\n");
        return;
    }
    if (Aoutcome.empty()) {
        FUZZ_CHECK(attached.empty());
        return;
    }
    const std::unique_ptr<TJSONbase> root = TJSON::ParseText(attached);
    auto* object = dynamic_cast<TJSONobject*>(root.get());
    FUZZ_CHECK(object != nullptr && object->Count() == 12);
    std::u16string name;
    const auto* receipt = dynamic_cast<const TJSONstring*>(object->EnumElement(11, name));
    FUZZ_CHECK(name == u"receipt" && receipt != nullptr && receipt->AsString() == Areceipt);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Adata, std::size_t Asize)
{
    if (Asize < 2) return 0;
    const bool JSONout = (Adata[0] & 1) != 0;
    const auto cols = static_cast<std::uint16_t>(12 + Adata[1] % 53);
    const std::u16string received =
        decodeWire(std::string_view(reinterpret_cast<const char*>(Adata + 2), Asize - 2));

    checkStatus(received, JSONout);
    const std::u16string outcome = checkOutcome(received, JSONout);
    checkReceiptBlock(received);
    const std::u16string formatted = formatReceipt(received, cols);
    checkFormatted(received, formatted, cols);
    checkAttached(outcome, formatted, JSONout);
    return 0;
}
