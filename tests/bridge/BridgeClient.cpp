#include "BridgeClient.h"

#include "TextConvert.h"

#include <gtest/gtest.h>

using namespace ecr17::detail;

namespace {

constexpr auto eventWait = std::chrono::seconds(20);

THttpReply replyOf(const httplib::Result& Aresult)
{
    if (!Aresult)
        return {};
    return {Aresult->status, Aresult->body, Aresult->headers};
}

} // namespace

std::string jsonMember(const std::string& Ajson, std::u16string_view Aname)
{
    const auto tree = TJSON::ParseText(utf8ToText(Ajson));
    const auto* object = dynamic_cast<const TJSONobject*>(tree.get());
    const TJSONbase* value = object ? object->OldGetField(Aname) : nullptr;
    if (!value)
        return {};
    if (const auto* text = dynamic_cast<const TJSONstring*>(value))
        return textToUtf8(text->AsString());
    return textToUtf8(TJSON::GenerateText(*value));
}

TBridgeClient::TBridgeClient(std::uint16_t Aport, std::string Atoken)
    : Fclient("127.0.0.1", Aport), Ftoken(std::move(Atoken))
{
    Fclient.set_read_timeout(30, 0);
}

THttpReply TBridgeClient::get(const std::string& Apath, const httplib::Headers& Aheaders)
{
    return replyOf(Fclient.Get(Apath, Aheaders));
}

THttpReply TBridgeClient::post(const std::string& Apath, const std::string& Abody, httplib::Headers Aheaders)
{
    if (Aheaders.find("Authorization") == Aheaders.end())
        Aheaders.emplace("Authorization", "Bearer " + Ftoken);
    return replyOf(Fclient.Post(Apath, Aheaders, Abody, "application/json"));
}

THttpReply TBridgeClient::options(const std::string& Apath, const httplib::Headers& Aheaders)
{
    httplib::Request request;
    request.method = "OPTIONS";
    request.path = Apath;
    request.headers = Aheaders;
    return replyOf(Fclient.send(request));
}

TEventReader::TEventReader(std::uint16_t Aport) : Fclient("127.0.0.1", Aport)
{
    Fthread = std::thread([this] {
        Fclient.Get("/v1/events", [this](const char* Adata, std::size_t Alength) {
            parse(std::string_view(Adata, Alength));
            return true;
        });
        std::lock_guard lock(Fmutex);
        Fended = true;
        Farrived.notify_all();
    });
    std::unique_lock lock(Fmutex);
    Farrived.wait_for(lock, eventWait, [this] { return Fopen || Fended; });
    EXPECT_TRUE(Fopen) << "the event stream did not open";
}

TEventReader::~TEventReader()
{
    Fclient.stop();
    Fthread.join();
}

void TEventReader::parse(std::string_view Achunk)
{
    std::lock_guard lock(Fmutex);
    Fpending += Achunk;
    for (std::size_t end; (end = Fpending.find("\n\n")) != std::string::npos; Fpending.erase(0, end + 2)) {
        const std::string block = Fpending.substr(0, end + 1);
        TStreamEvent event;
        for (std::size_t start = 0, lf; (lf = block.find('\n', start)) != std::string::npos; start = lf + 1) {
            const std::string line = block.substr(start, lf - start);
            if (line.rfind("event: ", 0) == 0)
                event.name = line.substr(7);
            else if (line.rfind("data: ", 0) == 0)
                event.data = line.substr(6);
        }
        Fopen = true;
        if (!event.name.empty())
            Fevents.push_back(event);
    }
    Farrived.notify_all();
}

std::optional<TStreamEvent> TEventReader::waitFor(const std::function<bool(const TStreamEvent&)>& Amatch)
{
    std::unique_lock lock(Fmutex);
    std::optional<TStreamEvent> found;
    Farrived.wait_for(lock, eventWait, [&] {
        while (Fseen < Fevents.size())
            if (const TStreamEvent& event = Fevents[Fseen++]; Amatch(event)) {
                found = event;
                return true;
            }
        return Fended;
    });
    EXPECT_TRUE(found) << "the awaited event did not come";
    return found;
}

std::string TEventReader::waitForEnd(const std::string& Aoperation)
{
    const auto found = waitFor([&](const TStreamEvent& e) {
        return e.name == "state" && jsonMember(e.data, u"operation") == Aoperation &&
               jsonMember(e.data, u"state") != "running";
    });
    return found ? found->data : std::string();
}

std::vector<TStreamEvent> TEventReader::received() const
{
    std::lock_guard lock(Fmutex);
    return Fevents;
}
