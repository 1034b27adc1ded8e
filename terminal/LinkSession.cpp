#include "LinkSession.h"

#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "TextConvert.h"

#include <algorithm>

namespace ecr17::detail {

TLinkSession::TLinkSession(std::unique_ptr<TTcpTransport> AtcpClient, TLinkTiming Atiming)
    : FtcpClient(std::move(AtcpClient)), Ftiming(std::move(Atiming))
{
}

bool TLinkSession::Send(std::u16string_view Amessage)
{
    const TMethodTrace trace = Logger().TraceMethod(u"Send");
    return withLogException([&] {
        bool result = false;
        for (int attempt = 1; attempt <= kSendAttempts && !result; ++attempt) {
            dlogMsg(u"Attempt n. " + intToText(attempt), lvInfo);
            const std::uint32_t t0 = Ftiming.tickCount();
            try {
                result = SendAttempt(Amessage);
            } catch (const std::exception& e) {
                // Unsigned difference: the counter wraps.
                const std::uint32_t spent = Ftiming.tickCount() - t0;
                if (attempt == kSendAttempts || spent > kRetryLimitMs)
                    logException(e);
            }
        }
        return result;
    });
}

bool TLinkSession::SendAttempt(std::u16string_view Amessage)
{
    const TMethodTrace trace = Logger().TraceMethod(u"SendAttempt");
    dlogMsg(u"Send command to EFT: " + std::u16string(Amessage), lvInfo);
    return withLogException([&] {
        clearReceiveBuffer();
        clearProgress();
        const std::u16string frame = frameCommand(Amessage);
        if (!FtcpClient->Connected())
            connect();
        FtcpClient->Write(frame);
        bool timedOut = false;
        return !receiveData(kAckWaitSeconds, timedOut, true).empty();
    });
}

void TLinkSession::connect()
{
    const TEndpoint endpoint = Faddress.endpoint();
    FtcpClient->Connect(endpoint.host, endpoint.port);
}

TReceiveWait TLinkSession::startWait(int Atimeout) const
{
    TReceiveWait wait;
    wait.seconds = Atimeout;
    wait.ticks = static_cast<long long>(kTicksPerSecond) * Atimeout;
    wait.start = Ftiming.tickCount();
    if (wait.ticks > 1)
        wait.spanMs = static_cast<std::uint32_t>((wait.ticks - 1) * Ftiming.pollMs);
    return wait;
}

std::u16string TLinkSession::receiveData(int Atimeout, bool& AtimedOut, bool AackMode)
{
    TReceiveWait wait = startWait(Atimeout);
    return receiveData(wait, AtimedOut, AackMode);
}

std::u16string TLinkSession::receiveData(TReceiveWait& Await, bool& AtimedOut, bool AackMode)
{
    const TMethodTrace trace = Logger().TraceMethod(u"receiveData");
    dlogMsg(u"Receiving data, timeout: " + intToText(Await.seconds) + u", ACK: " + boolText(AackMode), lvInfo);
    AtimedOut = false;
    Fscanner.reset();
    // Progress texts in the buffer were reported when their piece arrived.
    if (!Freceivebuffer.empty() && Fscanner.complete(Freceivebuffer, AackMode)) {
        dlogMsg(u"Data in buffer", lvInfo);
        return Freceivebuffer;
    }
    keepUnfinishedFrame();
    while (Await.ticks > 0 && FtcpClient->Connected()) {
        if (waitOver(Await)) {
            AtimedOut = true;
            dlogMsg(u"Timeout occurred", lvWarning);
            break;
        }
        // Bytes the Connected() check just queued are an answer already.
        if (FtcpClient->InputBufferIsEmpty())
            FtcpClient->CheckForDataOnSource(pollLength(Await));
        FtcpClient->CheckForDisconnect(true, false);
        if (FtcpClient->InputBufferIsEmpty())
            continue;
        const std::u16string piece = FtcpClient->ReadString(FtcpClient->InputBufferSize());
        appendPiece(piece, Await);
        if (isResponseComplete(piece, AackMode))
            return Freceivebuffer;
        discardUnusable(Await, AackMode);
    }
    return {};
}

bool TLinkSession::waitOver(TReceiveWait& Await) const
{
    if (Await.ticks > 1) {
        --Await.ticks;
        return false;
    }
    // The last tick comes once the other ticks' time has passed as well.
    // Unsigned difference: the counter wraps.
    if (Ftiming.tickCount() - Await.start < Await.spanMs)
        return false;
    Await.ticks = 0;
    return true;
}

int TLinkSession::pollLength(const TReceiveWait& Await) const
{
    const std::uint32_t spent = Ftiming.tickCount() - Await.start;
    if (spent >= Await.spanMs)
        return std::min(1, Ftiming.pollMs);
    return static_cast<int>(std::min<std::uint32_t>(static_cast<std::uint32_t>(Ftiming.pollMs), Await.spanMs - spent));
}

void TLinkSession::appendPiece(const std::u16string& Apiece, TReceiveWait& Await)
{
    if (!Await.discarding)
        dlogMsg(u"Receive data: " + Apiece, lvInfo);
    Freceivebuffer += Apiece;
}

void TLinkSession::discardUnusable(TReceiveWait& Await, bool AackMode)
{
    std::size_t unusable = 0;
    if (!AackMode) {
        // Without a frame start nothing can belong to a response.
        const size_t stx = Freceivebuffer.find(STX);
        unusable = stx == std::u16string::npos ? Freceivebuffer.size() : stx;
    }
    Await.discarded += unusable;
    if (Freceivebuffer.size() - unusable > kMaxFrameChars) {
        // An unfinished frame over the bound is no frame of this protocol:
        // keep only the start of a newer one (in ACK mode, what could begin
        // the acknowledgement frame).
        const size_t newer = AackMode ? Freceivebuffer.size() - (ackFrame().size() - 1) : Freceivebuffer.rfind(STX);
        const bool keepNewer = newer != std::u16string::npos && newer > unusable
            && Freceivebuffer.size() - newer <= kMaxFrameChars;
        const size_t cut = keepNewer ? newer : Freceivebuffer.size();
        Await.discarded += cut - unusable;
        unusable = cut;
    }
    if (unusable == 0)
        return;
    Freceivebuffer.erase(0, unusable);
    Fscanner.reset();
    if (Await.discarded > kMaxFrameChars && !Await.discarding) {
        Await.discarding = true;
        dlogMsg(u"Received data over " + intToText(static_cast<long long>(kMaxFrameChars))
                    + u" characters without a complete frame: discarded",
                lvWarning);
    }
}

bool TLinkSession::isResponseComplete(std::u16string_view Atext, bool AackMode)
{
    // The scanner looks at everything received in this wait, so a response
    // split over several pieces completes with its last piece.
    const bool complete = Fscanner.complete(Freceivebuffer, AackMode);
    checkProgress(Atext);
    return complete;
}

bool TLinkSession::SendACK()
{
    const TMethodTrace trace = Logger().TraceMethod(u"SendACK");
    dlogMsg(u"Send ACK to EFT", lvInfo);
    return withLogException([&] {
        // Bytes after the acknowledged frame (the next frame of the same
        // segment) are the next wait's.
        dropFirstFrame();
        const std::u16string frame = ackFrame();
        if (!FtcpClient->Connected())
            return false;
        FtcpClient->Write(frame);
        return true;
    });
}

void TLinkSession::checkProgress(std::u16string_view Atext)
{
    const TMethodTrace trace = Logger().TraceMethod(u"checkProgress");
    const std::u16string progress = extractBetween(Atext, SOH, EOT);
    if (progress.empty())
        return;
    {
        const std::lock_guard lock(FprogressLock);
        Fprogress = progress;
    }
    dlogMsg(u"Progress: " + progress, lvNotice);
    if (const TProgressCallback callback = FprogressCallback.load())
        callback(progress.c_str());
}

std::u16string TLinkSession::getProgress()
{
    std::u16string progress;
    {
        const std::lock_guard lock(FprogressLock);
        progress.swap(Fprogress);
    }
    dlogMsg(u"Get progress: " + progress, lvInfo);
    return progress;
}

void TLinkSession::clearReceiveBuffer() noexcept
{
    Freceivebuffer.clear();
    Fscanner.reset();
}

void TLinkSession::clearProgress()
{
    const std::lock_guard lock(FprogressLock);
    Fprogress.clear();
}

void TLinkSession::keepUnfinishedFrame()
{
    // The start of a response can arrive in the same piece as the
    // acknowledgement before it; the rest of the buffer is stale.
    const size_t stx = Freceivebuffer.rfind(STX);
    if (stx == std::u16string::npos || Freceivebuffer.find(ETX, stx) != std::u16string::npos)
        Freceivebuffer.clear();
    else
        Freceivebuffer.erase(0, stx);
    Fscanner.reset();
}

void TLinkSession::dropFirstFrame()
{
    const size_t stx = Freceivebuffer.find(STX);
    const size_t etx = stx == std::u16string::npos ? stx : Freceivebuffer.find(ETX, stx);
    if (etx == std::u16string::npos) {
        clearReceiveBuffer();
        return;
    }
    // The LRC after the ETX goes with the frame.
    Freceivebuffer.erase(0, std::min(etx + 2, Freceivebuffer.size()));
    Fscanner.reset();
}

} // namespace ecr17::detail
