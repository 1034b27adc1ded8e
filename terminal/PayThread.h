// TPayThread: the worker of an asynchronous payment.
//
// It waits for the outcome (and the receipt) on the client's open
// connection, closes it, pauses 200 ms, publishes the result into the client
// and calls the completion callback, all on its own thread; then it frees
// itself. The client's destructor waits until that last step has ended.
#pragma once

#include "ECR17_TypesU.h"

#include <string>

class TECR;

namespace ecr17::detail {

class TPayThread {
public:
    // Starts the worker at once; from this moment the client refuses another
    // payment until the result is published.
    static void Create(TECR& AECR, TPayCallback Acallback);

private:
    TPayThread(TECR& AECR, TPayCallback Acallback) : Fcallback(Acallback), FECR(&AECR) {}
    void run() noexcept;
    void Execute();
    void DoTerminate();
    void notifyCallback();

    TPayCallback Fcallback;
    std::u16string Fres;
    bool Ftimeout = false;
    TECR* FECR;
};

} // namespace ecr17::detail
