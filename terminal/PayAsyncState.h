// The state of a client's asynchronous payment, with the few operations the
// client and its worker need; nothing else touches it.
//
// Publication order: the result and the time-out flag (under the lock), then
// completed (release), then running (release). Running is set when the
// worker is created, so no second payment slips in before it starts. The
// client's destructor waits until no worker touches the client any more.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace ecr17::detail {

class TPayAsyncState {
public:
    bool running() const noexcept { return Frunning.load(std::memory_order_acquire); }
    // A new payment starts: the previous result is no longer there.
    void clearCompleted() noexcept { Fcompleted.store(false, std::memory_order_release); }

    // A worker is created (running from now on); undone when it could not start.
    void begin();
    void cancelBegin();
    // The worker's result, published in the order above.
    void publish(const std::u16string& Ares, bool Atimeout);
    // The worker's last touch of the client.
    void finish();

    // The published result, once there is one.
    bool poll(std::u16string& Ares, bool& Atimeout);
    void waitIdle();

private:
    std::atomic<bool> Frunning{false};
    std::atomic<bool> Fcompleted{false};
    std::mutex Flock;
    std::u16string Fres;
    bool Ftimeout = false;
    std::mutex FworkerLock;
    std::condition_variable FworkerDone;
    int Fworkers = 0;
};

} // namespace ecr17::detail
