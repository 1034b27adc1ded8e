// One accepted connection as the terminal side sees it.
//
// Every wait polls the socket together with the stop signal and has no time
// limit of its own: a connection ends when the client closes it, when the
// simulator closes or resets it, or when the simulator is stopped. Each of
// these ends the current script or session by TSimLinkEnded.
#pragma once

#include "SimEvent.h"
#include "SimFd.h"

#include <chrono>
#include <stdexcept>
#include <string>

struct TSimLinkEnded : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TSimLink {
public:
    TSimLink(TSimFd Asocket, const TSimStopSignal& Astop, ISimRecorder& Arecorder);

    // Reads until one complete frame is there and returns it; bytes after it
    // stay for the next call.
    std::string readFrame();
    void send(std::string_view Abytes);
    // Sends Afirst, then Arepeat again and again as fast as the client takes
    // them, until it closes or the simulator stops; only Afirst is recorded.
    [[noreturn]] void flood(std::string_view Afirst, std::string_view Arepeat);
    // Waits the given time unless the simulator is stopped meanwhile.
    void pause(std::chrono::milliseconds Atime);
    // Reads and records until the client closes.
    [[noreturn]] void readUntilClosed();
    // Orderly close: FIN first, then whatever the client still sends is read
    // until it closes too, so unread bytes never turn the close into a reset.
    [[noreturn]] void close();
    // Abortive close: SO_LINGER 0 makes the close send RST.
    [[noreturn]] void reset();

private:
    // Waits for bytes and appends one read to Fpending.
    void readMore();
    void waitReadable();
    // Waits until the socket is readable (writable with Awritable); ends on a stop.
    void waitFor(bool Awritable);

    TSimFd Fsocket;
    const TSimStopSignal& Fstop;
    ISimRecorder& Frecorder;
    std::string Fpending;
};
