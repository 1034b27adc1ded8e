// The events of /v1/events: progress texts and state changes, numbered, for
// any number of Server-Sent Events streams.
//
// Events are kept in a bounded window (the latest maxKept); a stream that
// falls further behind, or reconnects with an older Last-Event-ID, goes on
// with the oldest event still kept. Publishing never waits for a stream.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct TBridgeEvent {
    std::uint64_t id;
    std::string name;   // "progress" or "state"
    std::string data;   // one line of JSON
};

// The event in the text/event-stream format.
std::string sseText(const TBridgeEvent& Aevent);

class TEventHub {
public:
    static constexpr std::size_t maxKept = 256;

    void publish(std::string Aname, std::string Adata);
    // The id of the latest event (0 before the first).
    std::uint64_t lastId() const;
    // Events after Aafter, waiting up to Await for one; empty when the time
    // ran out or the hub is closed with nothing after Aafter, so that the
    // events published before a close still reach every stream.
    std::vector<TBridgeEvent> after(std::uint64_t Aafter, std::chrono::milliseconds Await) const;
    // Ends every wait, now and later.
    void close();
    bool closed() const;

private:
    mutable std::mutex Fmutex;
    mutable std::condition_variable Fchanged;
    std::deque<TBridgeEvent> Fevents;
    std::uint64_t FlastId = 0;
    bool Fclosed = false;
};
