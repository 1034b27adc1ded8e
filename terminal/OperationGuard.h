// One exchange with the terminal at a time on one client.
//
// A second call while an exchange runs (re-entered from a progress callback,
// or from another thread) would share the connection and the receive buffer
// and take the first exchange's answer for its own; it is refused instead,
// logged as every refused call is, before it sends anything.
#pragma once

#include <atomic>

namespace ecr17::detail {

class TOperationGuard {
public:
    // Raises "Another operation is running" when Abusy is already set.
    explicit TOperationGuard(std::atomic<bool>& Abusy);
    ~TOperationGuard() { Fbusy.store(false, std::memory_order_release); }
    TOperationGuard(const TOperationGuard&) = delete;
    TOperationGuard& operator=(const TOperationGuard&) = delete;

private:
    std::atomic<bool>& Fbusy;
};

} // namespace ecr17::detail
