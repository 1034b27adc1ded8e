#include "SimLink.h"

#include "SimFrames.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

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
    size_t done = 0;
    while (done < Abytes.size()) {
        const auto n = ::send(Fsocket.get(), Abytes.data() + done, Abytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw TSimLinkEnded(std::string("send failed: ") + std::strerror(errno));
        done += static_cast<size_t>(n);
    }
    Frecorder.sent(Abytes);
}

void TSimLink::pause(std::chrono::milliseconds Atime)
{
    if (Atime.count() <= 0)
        return;
    pollfd stop{Fstop.fd(), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&stop, 1, static_cast<int>(Atime.count()));
    } while (rc < 0 && errno == EINTR);
    if (rc > 0)
        throw TSimLinkEnded("simulator stopped");
}

void TSimLink::readUntilClosed()
{
    for (;;)
        readMore();
}

void TSimLink::close()
{
    ::shutdown(Fsocket.get(), SHUT_WR);
    try {
        readUntilClosed();
    } catch (const TSimLinkEnded&) {
    }
    throw TSimLinkEnded("closed by the simulator");
}

void TSimLink::reset()
{
    const linger abort{1, 0};
    ::setsockopt(Fsocket.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Fsocket.reset();
    throw TSimLinkEnded("reset by the simulator");
}

void TSimLink::waitReadable()
{
    waitFor(POLLIN);
}

void TSimLink::waitFor(short Aevents)
{
    pollfd fds[2] = {{Fsocket.get(), Aevents, 0}, {Fstop.fd(), POLLIN, 0}};
    int rc;
    do {
        rc = ::poll(fds, 2, -1);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        throw TSimLinkEnded(std::string("poll failed: ") + std::strerror(errno));
    if (fds[1].revents != 0)
        throw TSimLinkEnded("simulator stopped");
}

void TSimLink::flood(std::string_view Afirst, std::string_view Arepeat)
{
    send(Afirst);
    for (;;) {
        waitFor(POLLOUT);
        const auto n = ::send(Fsocket.get(), Arepeat.data(), Arepeat.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            throw TSimLinkEnded(std::string("send failed: ") + std::strerror(errno));
    }
}

void TSimLink::readMore()
{
    waitReadable();
    char buffer[4096];
    ssize_t n;
    do {
        n = ::recv(Fsocket.get(), buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n == 0)
        throw TSimLinkEnded("closed by the client");
    if (n < 0)
        throw TSimLinkEnded(std::string("closed by the client: ") + std::strerror(errno));
    const std::string_view piece(buffer, static_cast<size_t>(n));
    Frecorder.received(piece);
    Fpending.append(piece);
}
