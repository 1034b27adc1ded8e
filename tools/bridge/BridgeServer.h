// TBridgeServer: the HTTP side of the bridge.
//
// Every request passes the guard (Host, Origin, token) before its route;
// CORS headers go only to the --allow-origin origins. Replies are JSON, and
// so are the errors the HTTP library makes itself (unknown path, body too
// long). /v1/events streams the event hub; stop() ends the streams and the
// server.
#pragma once

#include "BridgeGuard.h"
#include "BridgeOptions.h"
#include "BridgeTerminal.h"
#include "EventHub.h"

#include <httplib.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TBridgeServer {
public:
    TBridgeServer(const TBridgeOptions& Aoptions, std::string Atoken, TBridgeTerminal& Aterminal, TEventHub& Ahub);

    // Binds the listening socket; the port bound. Raises std::runtime_error
    // when the address cannot be had.
    std::uint16_t bind();
    // Serves until stop(); false when the server could not run.
    bool run();
    // Ends the event streams and the server; safe from any thread.
    void stop();

private:
    void addRoutes();
    void addEventStream();
    bool openStream();
    void closeStream();
    httplib::Server::HandlerResponse screen(const httplib::Request& Areq, httplib::Response& Ares);

    TBridgeOptions Foptions;
    std::string Ftoken;
    TBridgeTerminal& Fterminal;
    TEventHub& Fhub;
    std::unique_ptr<TBridgeGuard> Fguard;   // made once the port is bound
    // Open event streams; stop() lets them send what the hub still holds.
    std::mutex FstreamsLock;
    std::condition_variable FstreamsEnded;
    int Fstreams = 0;
    httplib::Server Fserver;
};
