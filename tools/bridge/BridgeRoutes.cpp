// The routes of the bridge's JSON interface and the demo page.
#include "BridgeServer.h"

#include "BridgeRequest.h"
#include "DemoPage.h"
#include "TextConvert.h"

using namespace ecr17::detail;

namespace {

using TRoute = std::function<TBridgeReply(const httplib::Request&)>;

// A route whose reply is JSON; a body it cannot use is a 400.
httplib::Server::Handler json(TRoute Aroute)
{
    return [route = std::move(Aroute)](const httplib::Request& Areq, httplib::Response& Ares) {
        TBridgeReply reply;
        try {
            reply = route(Areq);
        } catch (const EBadRequest& e) {
            reply = bridgeError(400, e.what());
        }
        Ares.status = reply.status;
        Ares.set_content(reply.body, "application/json; charset=utf-8");
    };
}

} // namespace

void TBridgeServer::addRoutes()
{
    TBridgeTerminal& t = Fterminal;
    Fserver.Get("/", [](const httplib::Request&, httplib::Response& Ares) {
        Ares.set_content(bridgeDemoPage.data(), bridgeDemoPage.size(), "text/html; charset=utf-8");
    });
    Fserver.Get("/v1/status", json([&t](const httplib::Request&) { return t.status(); }));
    Fserver.Post("/v1/payments", json([&t](const httplib::Request& Areq) {
        return t.startPayment(paymentRequest(*requestObject(Areq.body)));
    }));
    Fserver.Get("/v1/payments", json([&t](const httplib::Request& Areq) {
        if (!Areq.has_param("idempotencyKey"))
            throw EBadRequest("idempotencyKey is missing: /v1/payments?idempotencyKey=...");
        return t.paymentByKey(Areq.get_param_value("idempotencyKey"));
    }));
    Fserver.Get(R"(/v1/payments/([^/]+))",
                json([&t](const httplib::Request& Areq) { return t.payment(Areq.matches[1].str()); }));
    Fserver.Post("/v1/reprint", json([&t](const httplib::Request& Areq) {
        return t.reprint(flagMember(*requestObject(Areq.body), u"serviceTicket", false));
    }));
    Fserver.Post("/v1/close-session", json([&t](const httplib::Request& Areq) {
        requestObject(Areq.body);
        return t.closeSession();
    }));
    Fserver.Get("/v1/totals", json([&t](const httplib::Request&) { return t.totals(); }));
    Fserver.Get("/v1/last-result", json([&t](const httplib::Request&) { return t.lastResult(); }));
    Fserver.Post("/v1/reversals", json([&t](const httplib::Request& Areq) {
        return t.reversal(stanMember(*requestObject(Areq.body)));
    }));
    Fserver.Get("/v1/pending", json([&t](const httplib::Request&) { return t.pending(); }));
    Fserver.Post("/v1/recover", json([&t](const httplib::Request& Areq) {
        requestObject(Areq.body);
        return t.recover();
    }));
    Fserver.Post("/v1/resolve", json([&t](const httplib::Request& Areq) {
        const std::string note = textMember(*requestObject(Areq.body), u"note");
        if (note.empty())
            throw EBadRequest("note is missing: say what was found out about the payment");
        return t.resolve(utf8ToText(note));
    }));
}
