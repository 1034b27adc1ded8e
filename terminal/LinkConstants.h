// The link's fixed numbers, in one place.
//
// They come from the exchange rules of the ECR17 link: a command is answered
// by the acknowledgement frame within 5 seconds, a command is tried at most 3
// times, and waits are counted in ticks of one 100 ms poll each. The poll
// length and the clock are carried in TLinkTiming so that a caller (a test,
// a benchmark) can shorten the ticks without touching the rules.
#pragma once

#include "MonotonicClock.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace ecr17::detail {

// Seconds one attempt waits for the acknowledgement frame.
inline constexpr int kAckWaitSeconds = 5;
// Attempts of one Send before it gives up.
inline constexpr int kSendAttempts = 3;
// A failed attempt that took longer than this is not retried: the terminal is
// unreachable and two more tries would keep the cash register waiting.
inline constexpr std::uint32_t kRetryLimitMs = 15000;
// One receive tick waits this long for bytes.
inline constexpr int kPollMs = 100;
// A time-out of T seconds is 10 x T ticks.
inline constexpr int kTicksPerSecond = 10;
// One socket read takes at most this many bytes.
inline constexpr std::size_t kMaxReadBytes = 32768;
// Seconds the status request waits for the terminal's answer.
inline constexpr int kStatusWaitSeconds = 6;
// A connect that gets no answer gives up after this long, well before the
// system's own limit of minutes.
inline constexpr int kConnectTimeoutMs = 10000;

// What a terminal can make the client hold. No frame of the protocol comes
// near these; a terminal that exceeds them is broken or hostile.
// Characters of one unfinished frame in the receive buffer.
inline constexpr std::size_t kMaxFrameChars = 65536;
// Characters and blocks of one payment's receipt.
inline constexpr std::size_t kMaxReceiptChars = 1024 * 1024;
inline constexpr std::size_t kMaxReceiptBlocks = 1000;

// How the link measures its waits.
struct TLinkTiming {
    int pollMs = kPollMs;
    std::function<std::uint32_t()> tickCount = monotonicTicks;
};

} // namespace ecr17::detail
