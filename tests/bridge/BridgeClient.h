// A small HTTP client for the bridge tests, and a reader of its event stream.
#pragma once

#include "uJSON.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The top-level member Aname of a JSON object text as UTF-8 ("" when absent);
// a text member as its text, any other value as its JSON text.
std::string jsonMember(const std::string& Ajson, std::u16string_view Aname);

struct THttpReply {
    int status = 0;   // 0: no answer
    std::string body;
    httplib::Headers headers;

    std::string member(std::u16string_view Aname) const { return jsonMember(body, Aname); }
};

class TBridgeClient {
public:
    TBridgeClient(std::uint16_t Aport, std::string Atoken);

    THttpReply get(const std::string& Apath, const httplib::Headers& Aheaders = {});
    // With the bearer token unless Aheaders has an Authorization.
    THttpReply post(const std::string& Apath, const std::string& Abody, httplib::Headers Aheaders = {});
    THttpReply options(const std::string& Apath, const httplib::Headers& Aheaders);

private:
    httplib::Client Fclient;
    std::string Ftoken;
};

struct TStreamEvent {
    std::string name;
    std::string data;
};

// Reads /v1/events on its own thread from construction on; the constructor
// returns once the stream is open, so no event published after it is missed.
class TEventReader {
public:
    explicit TEventReader(std::uint16_t Aport);
    ~TEventReader();
    TEventReader(const TEventReader&) = delete;
    TEventReader& operator=(const TEventReader&) = delete;

    // Waits (up to 20 s) for the next event that satisfies Amatch, looking
    // on from the last one found. Fails the test when none came.
    std::optional<TStreamEvent> waitFor(const std::function<bool(const TStreamEvent&)>& Amatch);
    // The data of the next "state" event that ends the operation Aoperation
    // ("payment", "status", ...).
    std::string waitForEnd(const std::string& Aoperation);
    std::vector<TStreamEvent> received() const;

private:
    void parse(std::string_view Achunk);

    httplib::Client Fclient;
    mutable std::mutex Fmutex;
    std::condition_variable Farrived;
    std::string Fpending;
    std::vector<TStreamEvent> Fevents;
    std::size_t Fseen = 0;
    bool Fopen = false;
    bool Fended = false;
    std::thread Fthread;
};
