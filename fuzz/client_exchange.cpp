// The client's operations (status, payment, reprint, in that order) over a
// fake connection whose terminal plays any script (see ScriptedTransport.h).
// Byte 0 chooses the result form (bit 0: JSON) and the print mode (bits 1-2);
// the rest is the script. What must hold: every operation ends, closes its
// connection and raises only the transport's errors; a result is a complete
// rendering or empty and holds no NUL; the client writes only frames, also
// with a description full of frame delimiters; an operation called from the
// progress callback is refused.
#include "ECR17u.h"
#include "LinkConstants.h"
#include "FuzzCheck.h"
#include "ScriptedTransport.h"
#include "TransportErrors.h"
#include "WrittenFrames.h"
#include "uJSON.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

using namespace ecr17::detail;

namespace {

std::int32_t memberCount(const std::u16string& Atext)
{
    const std::unique_ptr<TJSONbase> root = TJSON::ParseText(Atext);
    const auto* object = dynamic_cast<const TJSONobject*>(root.get());
    return object ? object->Count() : -1;
}

bool startsWith(std::u16string_view Atext, std::u16string_view Aprefix)
{
    return Atext.substr(0, Aprefix.size()) == Aprefix;
}

TECR* reentered = nullptr;

// Every progress text tries a second operation on the busy client.
void reenter(const char16_t*)
{
    std::u16string res;
    bool refused = false;
    try {
        reentered->status(res);
    } catch (const std::runtime_error& e) {
        refused = std::string_view(e.what()) == "Another operation is running";
    }
    FUZZ_CHECK(refused);
}

void checkStatus(TECR& Aecr)
{
    std::u16string res;
    const bool ok = Aecr.status(res);
    FUZZ_CHECK(ok != res.empty());
    FUZZ_CHECK(res.find(u'\0') == std::u16string::npos);
    if (ok && Aecr.JSONOut()) FUZZ_CHECK(memberCount(res) == 4);
    if (ok && !Aecr.JSONOut()) FUZZ_CHECK(startsWith(res, u"Terminal ID: "));
}

void checkPay(TECR& Aecr, bool AreceiptExpected)
{
    std::u16string res;
    bool timedOut = false;
    const bool ok = Aecr.pay(100, u"\x02\x03\x06\x01\x04\x1b\x7f" u"000000000P", res, timedOut);
    FUZZ_CHECK(res.find(u'\0') == std::u16string::npos);
    if (!AreceiptExpected) FUZZ_CHECK(Aecr.receiptComplete());
    if (Aecr.JSONOut()) {
        // The receipt is dropped when there is no outcome to attach it to.
        FUZZ_CHECK(ok != res.empty());
        if (ok) FUZZ_CHECK(memberCount(res) == 11 || (AreceiptExpected && memberCount(res) == 12));
        return;
    }
    if (ok) FUZZ_CHECK(startsWith(res, u"Terminal ID: "));
    else FUZZ_CHECK(res.empty() || (AreceiptExpected && startsWith(res, u"Receipt: ")));
    if (!AreceiptExpected) FUZZ_CHECK(res.find(u"Receipt: ") == std::u16string::npos);
}

template <class F>
void runOperation(TScriptedTransport& Apeer, F&& Aoperation)
{
    try {
        Aoperation();
    } catch (const ETransportError&) {
    }
    FUZZ_CHECK(!Apeer.Connected());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Adata, std::size_t Asize)
{
    if (Asize < 1) return 0;
    const bool JSONout = (Adata[0] & 1) != 0;
    const auto printMode = static_cast<TPrintMode>(std::min((Adata[0] >> 1) & 3, 2));
    auto transport = std::make_unique<TScriptedTransport>(Adata + 1, Asize - 1);
    TScriptedTransport& peer = *transport;
    // The scripted terminal never makes anyone wait, and a still clock keeps
    // every failed attempt within the retry limit.
    TECR ecr(TLinkTiming{0, [] { return std::uint32_t{0}; }}, std::move(transport));
    ecr.setHost(u"127.0.0.1");
    ecr.setPort(9100);
    ecr.setTimeout(5);
    ecr.setJSONOut(JSONout);
    ecr.setPrintMode(printMode);
    reentered = &ecr;
    ecr.setProgressCallback(reenter);

    runOperation(peer, [&] { checkStatus(ecr); });
    runOperation(peer, [&] { checkPay(ecr, printMode != 0); });
    runOperation(peer, [&] { ecr.reprint(false); });
    FUZZ_CHECK(onlyFrames(peer.written()));
    return 0;
}
