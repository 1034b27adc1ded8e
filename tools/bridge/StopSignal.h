// Ctrl-C and SIGTERM as an event to wait for.
//
// The signals are blocked in the constructing thread and so in every thread
// started after it; wait() takes them with sigwait, never in a handler, so
// the bridge stops from ordinary code that may lock and join.
#pragma once

#include <signal.h>

class TStopSignal {
public:
    // Construct before any other thread starts.
    TStopSignal();
    // Until Ctrl-C or SIGTERM arrives (or raise() was called).
    void wait();
    // Delivers the stop signal to this process, so that wait() returns.
    void raise();

private:
    sigset_t Fsignals;
};
