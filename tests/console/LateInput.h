// Operator input made while an action blocks the window.
//
// The console's thread is inside the client call then, so the test cannot
// act; the simulator's thread posts the events instead, the moment a given
// request has reached it and before it answers. They then wait in the queue
// until the action returns, as a click made during the action does.
#pragma once

#include "TerminalSim.h"

#include <QCoreApplication>
#include <QEvent>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Each event is posted as a copy, so that the list can be built in place.
struct TPostedEvent {
    QObject* target;
    std::shared_ptr<const QEvent> event;
};

class TLateInput {
public:
    // Aevents go out once the bytes received on one connection contain
    // Arequest.
    TLateInput(std::string Arequest, std::vector<TPostedEvent> Aevents)
        : Frequest(std::move(Arequest)), Fevents(std::move(Aevents))
    {
    }

    // The simulator's configuration that posts the events; the simulator
    // must not outlive this object.
    TSimConfig simConfig()
    {
        TSimConfig config;
        config.observer = [this](const TSimEvent& Aevent) { observe(Aevent); };
        return config;
    }

    bool posted() const noexcept { return Fposted.load(); }

private:
    // Runs on the simulator's thread.
    void observe(const TSimEvent& Aevent)
    {
        if (Aevent.kind != TSimEvent::Kind::Received || Fposted.load()) return;
        std::string& received = Freceived[Aevent.connection];
        received += Aevent.bytes;
        if (received.find(Frequest) == std::string::npos) return;
        for (TPostedEvent& posted : Fevents)
            QCoreApplication::postEvent(posted.target, posted.event->clone());
        Fposted.store(true);
    }

    std::string Frequest;
    std::vector<TPostedEvent> Fevents;
    std::map<std::size_t, std::string> Freceived;
    std::atomic<bool> Fposted{false};
};
