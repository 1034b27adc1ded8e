// The journal's operations and the commands that read or undo a payment:
// totals, last result, reversal, pending, recover, resolve.
#include "BridgeTerminal.h"

#include "TextConvert.h"

using namespace ecr17::detail;

namespace {

// {"ok":...,"result":{...the client's result...}}
TBridgeReply resultReply(bool Aok, const std::u16string& Ares)
{
    TJSONobject reply;
    reply.Add(u"ok", Aok);
    reply.Add(u"result", bridgeClientResult(Ares));
    return bridgeReply(200, reply);
}

} // namespace

std::optional<TBridgeReply> TBridgeTerminal::refuseWhilePending()
{
    std::u16string operation;
    if (!Fjournal || !Fecr.pendingOperation(operation))
        return std::nullopt;
    TJSONobject error;
    error.Add(u"error", u"A previous payment has no outcome: recover it first");
    error.Add(u"pending", bridgeClientResult(operation));
    return bridgeReply(409, error);
}

TBridgeReply TBridgeTerminal::totals()
{
    return runSync("totals", [](TECR& Aecr) {
        std::u16string res;
        const bool ok = Aecr.totals(res);
        return resultReply(ok, res);
    });
}

TBridgeReply TBridgeTerminal::lastResult()
{
    return runSync("last-result", [](TECR& Aecr) {
        std::u16string res;
        const bool ok = Aecr.lastResult(res);
        return resultReply(ok, res);
    });
}

TBridgeReply TBridgeTerminal::reversal(const std::u16string& Astan)
{
    // While a payment has no outcome the client refuses, which runSync
    // answers with 409.
    return runSync("reversal", [&Astan](TECR& Aecr) {
        std::u16string res;
        bool timeout = false;
        const bool ok = Aecr.reversal(Astan, res, timeout);
        TJSONobject reply;
        reply.Add(u"ok", ok);
        reply.Add(u"timeout", timeout);
        reply.Add(u"result", bridgeClientResult(res));
        return bridgeReply(200, reply);
    });
}

TBridgeReply TBridgeTerminal::pending()
{
    return runSync("pending", [this](TECR& Aecr) {
        std::u16string operation;
        const bool pending = Fjournal && Aecr.pendingOperation(operation);
        TJSONobject reply;
        reply.Add(u"pending", pending);
        reply.Add(u"operation", bridgeClientResult(pending ? operation : std::u16string()));
        return bridgeReply(200, reply);
    });
}

TBridgeReply TBridgeTerminal::recover()
{
    return runSync("recover", [this](TECR& Aecr) {
        std::u16string res;
        const bool ok = Aecr.recover(res);
        if (ok)
            Fbook.recovered(res);
        return resultReply(ok, res);
    });
}

TBridgeReply TBridgeTerminal::resolve(const std::u16string& Anote)
{
    return runSync("resolve", [&Anote](TECR& Aecr) {
        Aecr.resolvePending(Anote);
        TJSONobject reply;
        reply.Add(u"ok", true);
        return bridgeReply(200, reply);
    });
}
