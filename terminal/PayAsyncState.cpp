#include "PayAsyncState.h"

namespace ecr17::detail {

void TPayAsyncState::begin()
{
    {
        const std::lock_guard lock(FworkerLock);
        ++Fworkers;
    }
    Frunning.store(true, std::memory_order_release);
}

void TPayAsyncState::cancelBegin()
{
    Frunning.store(false, std::memory_order_release);
    finish();
}

void TPayAsyncState::publish(const std::u16string& Ares, bool Atimeout)
{
    {
        const std::lock_guard lock(Flock);
        Fres = Ares;
        Ftimeout = Atimeout;
    }
    Fcompleted.store(true, std::memory_order_release);
    Frunning.store(false, std::memory_order_release);
}

void TPayAsyncState::finish()
{
    const std::lock_guard lock(FworkerLock);
    --Fworkers;
    FworkerDone.notify_all();
}

bool TPayAsyncState::poll(std::u16string& Ares, bool& Atimeout)
{
    if (!Fcompleted.load(std::memory_order_acquire))
        return false;
    const std::lock_guard lock(Flock);
    Ares = Fres;
    Atimeout = Ftimeout;
    return true;
}

void TPayAsyncState::waitIdle()
{
    std::unique_lock lock(FworkerLock);
    FworkerDone.wait(lock, [this] { return Fworkers == 0; });
}

} // namespace ecr17::detail
