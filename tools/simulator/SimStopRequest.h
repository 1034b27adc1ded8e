// A request to stop the simulator program: Ctrl-C (and SIGTERM on POSIX, a
// console's Ctrl-Break or close on Windows). It is taken by main, never by
// a handler that would have to stop threads itself, so the simulator's
// thread is stopped and joined by its owner.
#pragma once

class TSimStopRequest {
public:
    // Create it before any thread starts: on POSIX the signals are blocked
    // in the threads started afterwards.
    TSimStopRequest();
    // Returns when a stop has been requested.
    void wait();
};
