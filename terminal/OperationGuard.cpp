#include "OperationGuard.h"

#include "LogException.h"

#include <stdexcept>

TOperationGuard::TOperationGuard(std::atomic<bool>& Abusy) : Fbusy(Abusy)
{
    if (Fbusy.exchange(true, std::memory_order_acq_rel))
        withLogException([] { throw std::runtime_error("Another operation is running"); });
}
