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

void TOperationSlot::stopAndWait()
{
    std::unique_lock lock(Fmutex);
    Fstopping = true;
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
