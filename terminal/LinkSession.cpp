#include "LinkSession.h"

#include "DiagLoggerU.h"
#include "FrameCodec.h"
#include "LogException.h"
#include "LoggerU.h"
#include "TextConvert.h"

#include <algorithm>

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
            FtcpClient->Connect();
        FtcpClient->Write(frame);
        bool timedOut = false;
        return !receiveData(kAckWaitSeconds, timedOut, true).empty();
    });
}

std::u16string TLinkSession::receiveData(int Atimeout, bool& AtimedOut, bool AackMode)
{
    const TMethodTrace trace = Logger().TraceMethod(u"receiveData");
    dlogMsg(u"Receiving data, timeout: " + intToText(Atimeout) + u", ACK: " + boolText(AackMode), lvInfo);
    AtimedOut = false;
    Fscanner.reset();
    if (!Freceivebuffer.empty() && isResponseComplete(Freceivebuffer, AackMode)) {
        dlogMsg(u"Data in buffer", lvInfo);
        return Freceivebuffer;
    }
    keepUnfinishedFrame();
    for (long long ticks = static_cast<long long>(kTicksPerSecond) * Atimeout; ticks > 0 && FtcpClient->Connected();) {
        if (--ticks == 0) {
            AtimedOut = true;
            dlogMsg(u"Timeout occurred", lvWarning);
            break;
        }
        // Bytes the Connected() check just queued are an answer already.
        if (FtcpClient->InputBufferIsEmpty())
            FtcpClient->CheckForDataOnSource(Ftiming.pollMs);
        FtcpClient->CheckForDisconnect(true, false);
        if (FtcpClient->InputBufferIsEmpty())
            continue;
        const std::u16string piece = FtcpClient->ReadString(FtcpClient->InputBufferSize());
        appendPiece(piece);
        if (isResponseComplete(piece, AackMode))
            return Freceivebuffer;
    }
    return {};
}

void TLinkSession::appendPiece(const std::u16string& Apiece)
{
    dlogMsg(u"Receive data: " + Apiece, lvInfo);
    Freceivebuffer += Apiece;
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
        clearReceiveBuffer();
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
