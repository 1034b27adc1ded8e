#include "TerminalSim.h"

#include "SimLink.h"
#include "SimListener.h"
#include "SimProtocol.h"
#include "SimSocket.h"

struct TSimServerSockets {
    TSimFd listener;
    TSimStopSignal stop;
    // Holds the only place of the listen queue when connects are dropped.
    TSimFd queueFiller;
};

// Hands one connection's events to the server under its index.
class TTerminalSim::TRecorder final : public ISimRecorder {
public:
    TRecorder(TTerminalSim& Asim, std::size_t Aindex) : Fsim(Asim), Findex(Aindex) {}
    void received(std::string_view Apiece) override { Fsim.record(Findex, TSimEvent::Kind::Received, Apiece); }
    void sent(std::string_view Abytes) override { Fsim.record(Findex, TSimEvent::Kind::Sent, Abytes); }
    void frameRead(std::string_view Aframe) override
    {
        std::lock_guard lock(Fsim.Fmutex);
        Fsim.Fconnections[Findex].frames.emplace_back(Aframe);
        ++Fsim.Fframes;
        Fsim.Fchanged.notify_all();
    }

private:
    TTerminalSim& Fsim;
    std::size_t Findex;
};

namespace {

const TSimScript& scriptFor(const std::vector<TSimScript>& Ascripts, std::size_t Aindex)
{
    static const TSimScript silent;
    if (Ascripts.empty())
        return silent;
    return Ascripts[std::min(Aindex, Ascripts.size() - 1)];
}

} // namespace

TTerminalSim::TTerminalSim(std::vector<TSimScript> Ascripts, TSimConfig Aconfig)
    : TTerminalSim(
          [scripts = std::move(Ascripts)](TSimLink& Alink, std::size_t Aindex) {
              simRunScript(Alink, scriptFor(scripts, Aindex));
          },
          std::move(Aconfig))
{
}

TTerminalSim::TTerminalSim(TSimBehaviour Abehaviour, TSimConfig Aconfig)
    : TTerminalSim(std::make_shared<TSimProtocol>(std::move(Abehaviour)), std::move(Aconfig))
{
}

TTerminalSim::TTerminalSim(std::shared_ptr<TSimProtocol> Aprotocol, TSimConfig Aconfig)
    : TTerminalSim([Aprotocol](TSimLink& Alink, std::size_t) { Aprotocol->serve(Alink); }, std::move(Aconfig),
                   Aprotocol)
{
}

const TSimLedger& TTerminalSim::ledger() const noexcept
{
    static const TSimLedger none;
    return Fprotocol ? Fprotocol->ledger() : none;
}

TTerminalSim::TTerminalSim(THandler Ahandler, TSimConfig Aconfig, std::shared_ptr<TSimProtocol> Aprotocol)
    : Fconfig(std::move(Aconfig)), Fprotocol(std::move(Aprotocol)), Fhandler(std::move(Ahandler)),
      Fsockets(std::make_unique<TSimServerSockets>())
{
    Fsockets->listener = simListen(Fconfig.host, Fconfig.port);
    Fport = simLocalPort(Fsockets->listener.get());
    if (Fconfig.dropConnects)
        Fsockets->queueFiller = simFillListenQueue(Fsockets->listener.get(), Fconfig.host, Fport);
    Fthread = std::thread([this] { serve(); });
}

TTerminalSim::~TTerminalSim()
{
    Fsockets->stop.raise();
    Fthread.join();
}

void TTerminalSim::serve()
{
    // With connects dropped the listener stays readable; only the stop
    // signal is waited for.
    const TSimHandle watched = Fconfig.dropConnects ? kSimNoHandle : Fsockets->listener.get();
    for (;;) {
        const TSimReady ready = simWait(watched, false, Fsockets->stop, -1);
        if (ready == TSimReady::Stopped || ready == TSimReady::Failed)
            return;
        if (ready != TSimReady::Socket)
            continue;
        if (TSimFd socket = simAccept(Fsockets->listener.get()))
            serveOne(std::move(socket));
    }
}

void TTerminalSim::serveOne(TSimFd Asocket)
{
    simSetNoDelay(Asocket.get());
    std::size_t index;
    {
        std::lock_guard lock(Fmutex);
        index = Fconnections.size();
        Fconnections.emplace_back();
    }
    record(index, TSimEvent::Kind::Accepted, {});
    std::string reason;
    {
        TRecorder recorder(*this, index);
        TSimLink link(std::move(Asocket), Fsockets->stop, recorder);
        try {
            Fhandler(link, index);
        } catch (const std::exception& e) {
            reason = e.what();
        }
    }
    record(index, TSimEvent::Kind::Closed, reason);
}

void TTerminalSim::record(std::size_t Aindex, TSimEvent::Kind Akind, std::string_view Abytes)
{
    {
        std::lock_guard lock(Fmutex);
        TSimConnection& connection = Fconnections[Aindex];
        if (Akind == TSimEvent::Kind::Received)
            connection.received.append(Abytes);
        else if (Akind == TSimEvent::Kind::Sent)
            connection.sent.append(Abytes);
        else if (Akind == TSimEvent::Kind::Closed) {
            connection.closed = true;
            connection.endReason = Abytes;
            ++Fclosed;
        }
    }
    Fchanged.notify_all();
    if (Fconfig.observer)
        Fconfig.observer(TSimEvent{Akind, Aindex, std::string(Abytes)});
}

std::size_t TTerminalSim::connectionCount() const
{
    std::lock_guard lock(Fmutex);
    return Fconnections.size();
}

std::size_t TTerminalSim::closedCount() const
{
    std::lock_guard lock(Fmutex);
    return Fclosed;
}

TSimConnection TTerminalSim::connection(std::size_t Aindex) const
{
    std::lock_guard lock(Fmutex);
    return Fconnections.at(Aindex);
}

std::string TTerminalSim::receivedAll() const
{
    std::lock_guard lock(Fmutex);
    std::string all;
    for (const TSimConnection& c : Fconnections)
        all += c.received;
    return all;
}

std::vector<std::string> TTerminalSim::framesAll() const
{
    std::lock_guard lock(Fmutex);
    std::vector<std::string> all;
    for (const TSimConnection& c : Fconnections)
        all.insert(all.end(), c.frames.begin(), c.frames.end());
    return all;
}

template <class Pred>
bool TTerminalSim::waitFor(ms Atimeout, Pred Apred) const
{
    std::unique_lock lock(Fmutex);
    return Fchanged.wait_for(lock, Atimeout, Apred);
}

bool TTerminalSim::waitForConnections(std::size_t Acount, ms Atimeout) const
{
    return waitFor(Atimeout, [&] { return Fconnections.size() >= Acount; });
}

bool TTerminalSim::waitForClosed(std::size_t Acount, ms Atimeout) const
{
    return waitFor(Atimeout, [&] { return Fclosed >= Acount; });
}

bool TTerminalSim::waitForFrames(std::size_t Acount, ms Atimeout) const
{
    return waitFor(Atimeout, [&] { return Fframes >= Acount; });
}
