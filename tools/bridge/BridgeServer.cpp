#include "BridgeServer.h"

#include <stdexcept>

namespace {

// Each event stream holds one of the server's threads; the rest stay free
// for requests.
constexpr std::size_t serverThreads = 16;
constexpr std::size_t maxPayload = 64 * 1024;
constexpr int corsMaxAgeSeconds = 600;
constexpr std::size_t keepAliveRequests = 1000;
// A stream whose reader has stopped reading cannot hold up the stop longer.
constexpr std::chrono::seconds streamsEndWait{5};

void writeError(httplib::Response& Ares, const TBridgeReply& Areply)
{
    Ares.status = Areply.status;
    Ares.set_content(Areply.body, "application/json; charset=utf-8");
}

std::string libraryErrorText(const httplib::Request& Areq, int Astatus)
{
    switch (Astatus) {
    case 400:
        return "The request could not be read (a POST without a body needs Content-Length: 0)";
    case 404:
        return "No route for " + Areq.method + " " + Areq.path;
    case 413:
        return "The body is longer than " + std::to_string(maxPayload) + " bytes";
    default:
        return "The request could not be served (HTTP " + std::to_string(Astatus) + ")";
    }
}

} // namespace

TBridgeServer::TBridgeServer(const TBridgeOptions& Aoptions, std::string Atoken, TBridgeTerminal& Aterminal,
                             TEventHub& Ahub)
    : Foptions(Aoptions), Ftoken(std::move(Atoken)), Fterminal(Aterminal), Fhub(Ahub)
{
    Fserver.new_task_queue = [] { return new httplib::ThreadPool(serverThreads); };
    Fserver.set_payload_max_length(maxPayload);
    // The library writes a reply's head and body apart: without this, Nagle
    // holds the body back until the client's delayed acknowledgement.
    Fserver.set_tcp_nodelay(true);
    // A point-of-sale page polls and asks many times; a new connection every
    // few requests would cost more than the requests.
    Fserver.set_keep_alive_max_count(keepAliveRequests);
    Fserver.set_default_headers({{"Cache-Control", "no-store"}, {"X-Content-Type-Options", "nosniff"}});
    Fserver.set_pre_routing_handler([this](const httplib::Request& q, httplib::Response& r) { return screen(q, r); });
    // The library calls this for every reply from 400 up; only its own
    // replies come without a body.
    Fserver.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& q, httplib::Response& r) {
        if (!r.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        writeError(r, bridgeError(r.status, libraryErrorText(q, r.status)));
        return httplib::Server::HandlerResponse::Handled;
    }));
    Fserver.set_exception_handler([](const httplib::Request&, httplib::Response& r, std::exception_ptr e) {
        std::string message = "Internal error";
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& error) {
            message += std::string(": ") + error.what();
        } catch (...) {
        }
        writeError(r, bridgeError(500, message));
    });
    addRoutes();
    addEventStream();
}

std::uint16_t TBridgeServer::bind()
{
    int port = Foptions.listenPort;
    if (port == 0)
        port = Fserver.bind_to_any_port(Foptions.listenHost);
    else if (!Fserver.bind_to_port(Foptions.listenHost, port))
        port = -1;
    if (port <= 0)
        throw std::runtime_error("cannot listen on " + Foptions.listenHost + ":" + std::to_string(Foptions.listenPort));
    Fguard = std::make_unique<TBridgeGuard>(Foptions.listenHost, static_cast<std::uint16_t>(port), Ftoken,
                                            Foptions.allowOrigins);
    return static_cast<std::uint16_t>(port);
}

bool TBridgeServer::run()
{
    return Fserver.listen_after_bind();
}

void TBridgeServer::stop()
{
    // The server stops writing open streams at once: first let them end
    // after the events that are already published.
    Fhub.close();
    {
        std::unique_lock lock(FstreamsLock);
        FstreamsEnded.wait_for(lock, streamsEndWait, [this] { return Fstreams == 0; });
    }
    Fserver.stop();
}

httplib::Server::HandlerResponse TBridgeServer::screen(const httplib::Request& Areq, httplib::Response& Ares)
{
    const TRequestHeads heads{Areq.method, Areq.get_header_value("Host"), Areq.get_header_value("Origin"),
                              Areq.get_header_value("Authorization")};
    if (const auto refusal = Fguard->check(heads)) {
        if (refusal->status == 401)
            Ares.set_header("WWW-Authenticate", "Bearer");
        writeError(Ares, bridgeError(refusal->status, refusal->message));
        return httplib::Server::HandlerResponse::Handled;
    }
    if (Fguard->corsAllowed(heads.origin)) {
        Ares.set_header("Access-Control-Allow-Origin", heads.origin);
        Ares.set_header("Vary", "Origin");
    }
    if (Areq.method != "OPTIONS")
        return httplib::Server::HandlerResponse::Unhandled;
    // A preflight: only an allowed origin learns what it may send.
    if (Fguard->corsAllowed(heads.origin)) {
        Ares.set_header("Access-Control-Allow-Methods", "GET, POST");
        Ares.set_header("Access-Control-Allow-Headers", "Authorization, Content-Type, Last-Event-ID");
        Ares.set_header("Access-Control-Max-Age", std::to_string(corsMaxAgeSeconds));
    }
    Ares.status = 204;
    return httplib::Server::HandlerResponse::Handled;
}
