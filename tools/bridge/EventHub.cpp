#include "EventHub.h"

std::string sseText(const TBridgeEvent& Aevent)
{
    return "id: " + std::to_string(Aevent.id) + "\nevent: " + Aevent.name + "\ndata: " + Aevent.data + "\n\n";
}

void TEventHub::publish(std::string Aname, std::string Adata)
{
    {
        std::lock_guard lock(Fmutex);
        Fevents.push_back({++FlastId, std::move(Aname), std::move(Adata)});
        if (Fevents.size() > maxKept)
            Fevents.pop_front();
    }
    Fchanged.notify_all();
}

std::uint64_t TEventHub::lastId() const
{
    std::lock_guard lock(Fmutex);
    return FlastId;
}

std::vector<TBridgeEvent> TEventHub::after(std::uint64_t Aafter, std::chrono::milliseconds Await) const
{
    std::unique_lock lock(Fmutex);
    Fchanged.wait_for(lock, Await, [&] { return Fclosed || FlastId > Aafter; });
    std::vector<TBridgeEvent> found;
    for (const TBridgeEvent& event : Fevents)
        if (event.id > Aafter)
            found.push_back(event);
    return found;
}

void TEventHub::close()
{
    {
        std::lock_guard lock(Fmutex);
        Fclosed = true;
    }
    Fchanged.notify_all();
}

bool TEventHub::closed() const
{
    std::lock_guard lock(Fmutex);
    return Fclosed;
}
