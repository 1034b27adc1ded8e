#include "SimLink.h"

#include "SimFrames.h"
#include "SimSocket.h"

TSimLink::TSimLink(TSimFd Asocket, const TSimStopSignal& Astop, ISimRecorder& Arecorder)
    : Fsocket(std::move(Asocket)), Fstop(Astop), Frecorder(Arecorder)
{
}

std::string TSimLink::readFrame()
{
    for (;;) {
        if (auto frame = simTakeFrame(Fpending)) {
            Frecorder.frameRead(*frame);
            return *frame;
        }
        readMore();
    }
}

void TSimLink::send(std::string_view Abytes)
{
    for (std::string_view rest = Abytes; !rest.empty();) {
        const auto n = simSend(Fsocket.get(), rest, false);
        if (n < 0)
            throw TSimLinkEnded("send failed: " + simLastErrorText());
        rest.remove_prefix(static_cast<size_t>(n));
    }
    Frecorder.sent(Abytes);
}

void TSimLink::pause(std::chrono::milliseconds Atime)
{
    if (Atime.count() <= 0)
        return;
    if (simWait(kSimNoHandle, false, Fstop, static_cast<int>(Atime.count())) == TSimReady::Stopped)
        throw TSimLinkEnded("simulator stopped");
}

void TSimLink::readUntilClosed()
{
    for (;;)
        readMore();
}

void TSimLink::close()
{
    simShutdownSend(Fsocket.get());
    try {
        readUntilClosed();
    } catch (const TSimLinkEnded&) {
    }
    throw TSimLinkEnded("closed by the simulator");
}

void TSimLink::reset()
{
    simResetOnClose(Fsocket.get());
    Fsocket.reset();
    throw TSimLinkEnded("reset by the simulator");
}

void TSimLink::waitReadable()
{
    waitFor(false);
}

void TSimLink::waitFor(bool Awritable)
{
    const TSimReady ready = simWait(Fsocket.get(), Awritable, Fstop, -1);
    if (ready == TSimReady::Failed)
        throw TSimLinkEnded("poll failed: " + simLastErrorText());
    if (ready == TSimReady::Stopped)
        throw TSimLinkEnded("simulator stopped");
}

void TSimLink::flood(std::string_view Afirst, std::string_view Arepeat)
{
    send(Afirst);
    for (;;) {
        waitFor(true);
        if (simSend(Fsocket.get(), Arepeat, true) < 0)
            throw TSimLinkEnded("send failed: " + simLastErrorText());
    }
}

void TSimLink::readMore()
{
    waitReadable();
    char buffer[4096];
    const auto n = simRecv(Fsocket.get(), buffer, sizeof buffer);
    if (n == 0)
        throw TSimLinkEnded("closed by the client");
    if (n < 0)
        throw TSimLinkEnded("closed by the client: " + simLastErrorText());
    const std::string_view piece(buffer, static_cast<size_t>(n));
    Frecorder.received(piece);
    Fpending.append(piece);
}
