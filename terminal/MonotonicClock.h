// The client's one monotonic clock: waits, time limits and the connection's
// trust window all read it.
#pragma once

#include <chrono>
#include <cstdint>

namespace ecr17::detail {

inline std::int64_t monotonicNs() noexcept
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A 32-bit millisecond counter that wraps; differences are taken unsigned.
inline std::uint32_t monotonicTicks() noexcept
{
    return static_cast<std::uint32_t>(monotonicNs() / 1'000'000);
}

} // namespace ecr17::detail
