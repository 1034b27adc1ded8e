// /v1/events: the event hub as Server-Sent Events.
#include "BridgeServer.h"

#include "ToolArgs.h"

#include <chrono>

namespace {

// Some proxies and browsers drop a stream that stays silent; a comment line
// keeps it open and lets a closed client be noticed.
constexpr std::chrono::seconds keepAlive{15};
constexpr int maxStreams = 8;

// Where a stream starts: after Last-Event-ID when the browser reconnects,
// otherwise with the next event.
std::uint64_t startAfter(const httplib::Request& Areq, const TEventHub& Ahub)
{
    const std::uint64_t latest = Ahub.lastId();
    const auto given = toolParseUnsigned(Areq.get_header_value("Last-Event-ID"), latest);
    return given.value_or(latest);
}

} // namespace

void TBridgeServer::addEventStream()
{
    Fserver.Get("/v1/events", [this](const httplib::Request& Areq, httplib::Response& Ares) {
        if (!openStream()) {
            Ares.status = 503;
            Ares.set_content(bridgeError(503, "Too many event streams").body, "application/json; charset=utf-8");
            return;
        }
        auto last = std::make_shared<std::uint64_t>(startAfter(Areq, Fhub));
        Ares.set_chunked_content_provider(
            "text/event-stream",
            [this, last](std::size_t Aoffset, httplib::DataSink& Asink) {
                if (Aoffset == 0) {
                    static constexpr std::string_view opened = ": stream open\n\n";
                    return Asink.write(opened.data(), opened.size());
                }
                const auto events = Fhub.after(*last, keepAlive);
                if (events.empty() && Fhub.closed()) {
                    Asink.done();
                    return true;
                }
                std::string text = events.empty() ? std::string(": keep-alive\n\n") : std::string();
                for (const TBridgeEvent& event : events) {
                    text += sseText(event);
                    *last = event.id;
                }
                return Asink.write(text.data(), text.size());
            },
            [this](bool) { closeStream(); });
    });
}

bool TBridgeServer::openStream()
{
    std::lock_guard lock(FstreamsLock);
    if (Fstreams >= maxStreams)
        return false;
    ++Fstreams;
    return true;
}

void TBridgeServer::closeStream()
{
    {
        std::lock_guard lock(FstreamsLock);
        --Fstreams;
    }
    FstreamsEnded.notify_all();
}
