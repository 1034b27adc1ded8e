// The link's receive path on any bytes the terminal may send, in any pieces,
// with silences and a close at the end (see ScriptedTransport.h). The link
// sends a command and then waits for responses, acknowledging or dropping
// each one, as the client operations do. What must hold: a wait returns
// either nothing or the whole receive buffer holding a complete response,
// a wait that returns nothing leaves no complete response behind, and the
// link writes nothing but command frames and acknowledgement frames. The
// only errors are the transport's.
#include "FrameCodec.h"
#include "FuzzCheck.h"
#include "LinkSession.h"
#include "ScriptedTransport.h"
#include "TransportErrors.h"
#include "WrittenFrames.h"

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace ecr17::detail;

namespace {

constexpr int responseWaits = 4;

bool holdsResponse(std::u16string_view Abuffer, bool AackMode)
{
    if (AackMode) return Abuffer.find(ackFrame()) != std::u16string_view::npos;
    return !extractBetween(Abuffer, STX, ETX).empty();
}

void checkWait(const TLinkSession& Alink, const std::u16string& Areceived, bool AackMode)
{
    if (Areceived.empty()) {
        FUZZ_CHECK(!holdsResponse(Alink.receiveBuffer(), AackMode));
        return;
    }
    FUZZ_CHECK(Areceived == Alink.receiveBuffer());
    FUZZ_CHECK(holdsResponse(Areceived, AackMode));
}

// Waits for responses after a command; even waits acknowledge what came,
// odd waits drop its first frame, as a receipt loop does with a stray frame.
void awaitResponses(TLinkSession& Alink)
{
    for (int wait = 0; wait < responseWaits && Alink.tcpClient().Connected(); ++wait) {
        bool timedOut = false;
        const std::u16string received = Alink.receiveData(1, timedOut, false);
        checkWait(Alink, received, false);
        if (received.empty()) continue;
        if (wait % 2 == 0) {
            // The acknowledged frame leaves the buffer; what came after it stays.
            const std::u16string before = Alink.receiveBuffer();
            Alink.SendACK();
            const std::u16string& after = Alink.receiveBuffer();
            FUZZ_CHECK(after.size() < before.size() && before.ends_with(after));
        } else {
            Alink.dropFirstFrame();
        }
    }
}

void exchange(TLinkSession& Alink)
{
    const bool acknowledged = Alink.Send(u"000000000s");
    if (acknowledged) FUZZ_CHECK(holdsResponse(Alink.receiveBuffer(), true));
    else checkWait(Alink, {}, true);
    awaitResponses(Alink);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Adata, std::size_t Asize)
{
    auto transport = std::make_unique<TScriptedTransport>(Adata, Asize);
    const TScriptedTransport& peer = *transport;
    // The scripted peer never makes anyone wait, and a still clock keeps
    // every failed attempt within the retry limit.
    TLinkSession link(std::move(transport), TLinkTiming{0, [] { return std::uint32_t{0}; }});
    try {
        exchange(link);
    } catch (const ETransportError&) {
    }
    FUZZ_CHECK(onlyFrames(peer.written()));
    return 0;
}
