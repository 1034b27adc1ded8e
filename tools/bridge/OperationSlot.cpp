#include "OperationSlot.h"

TOperationSlot::TClaim::~TClaim()
{
    if (Fslot)
        Fslot->release();
}

std::optional<TOperationSlot::TClaim> TOperationSlot::tryClaim(const std::string& Aname, TBusy& Abusy)
{
    std::lock_guard lock(Fmutex);
    if (Fstopping || Frunning) {
        Abusy = {Fstopping, Frunning.value_or("")};
        return std::nullopt;
    }
    Frunning = Aname;
    return TClaim(*this);
}

void TOperationSlot::refuseAll()
{
    std::lock_guard lock(Fmutex);
    Fstopping = true;
}

void TOperationSlot::waitIdle()
{
    std::unique_lock lock(Fmutex);
    Freleased.wait(lock, [this] { return !Frunning; });
}

void TOperationSlot::release() noexcept
{
    {
        std::lock_guard lock(Fmutex);
        Frunning.reset();
    }
    Freleased.notify_all();
}
