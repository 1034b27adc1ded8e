// What a TECR holds: the link with its connection, the settings, and the
// state of its operations. Settings are read by an asynchronous payment's
// worker while the owner may write them, so they are atomic.
#pragma once

#include "ECR17_TypesU.h"
#include "LinkSession.h"
#include "PayAsyncState.h"
#include "PaymentJournal.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace ecr17::detail {

struct TEcrState {
    TEcrState(TLinkTiming Atiming, std::unique_ptr<TTcpTransport> AtcpClient)
        : FLink(std::move(AtcpClient), std::move(Atiming))
    {
    }

    // The connection (FtcpClient), the receive buffer and the progress text.
    TLinkSession FLink;
    std::atomic<std::int32_t> Ftimeout{60};
    TPayAsyncState FpayAsync;
    // Set while a synchronous exchange (or an asynchronous payment's start)
    // runs; see OperationGuard.h.
    std::atomic<bool> FoperationRunning{false};
    std::atomic<bool> FreceiptComplete{true};
    TPaymentJournal Fjournal;
    std::atomic<bool> FJSONout{true};
    std::atomic<TPrintMode> FprintMode{0};
    std::atomic<std::uint16_t> FreceiptCols{24};
};

} // namespace ecr17::detail
