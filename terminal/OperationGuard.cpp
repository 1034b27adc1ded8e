#include "OperationGuard.h"

#include "LogException.h"

#include <stdexcept>

namespace ecr17::detail {

TOperationGuard::TOperationGuard(std::atomic<bool>& Abusy) : Fbusy(Abusy)
{
    if (Fbusy.exchange(true, std::memory_order_acq_rel))
        withLogException([] { throw std::runtime_error("Another operation is running"); });
}

} // namespace ecr17::detail
