// TLinkSession: the exchange layer between the client and the terminal.
//
// Send delivers a command frame and waits for the acknowledgement frame, up to
// kSendAttempts times; receiveData waits, in ticks of one poll each, until the
// receive buffer holds a complete response; SendACK acknowledges a response.
// Progress texts (SOH ... EOT) are picked out of every piece received, kept
// for getProgress and handed to the progress callback.
//
// A wait of T seconds is 10 x T ticks, and it also lasts the time those ticks
// stand for on the link's clock: polls that return at once (a terminal that
// floods) do not shorten it. The receive buffer holds at most kMaxFrameChars
// of an unfinished frame; what a terminal sends beyond that is discarded.
//
// One exchange at a time runs on one session. The progress text and the
// callback may be read from another thread while an exchange runs, so they
// are exchanged under a lock / atomically; nothing else is shared.
#pragma once

#include "ECR17_TypesU.h"
#include "LinkConstants.h"
#include "ResponseScanner.h"
#include "TcpTransport.h"
#include "TerminalAddress.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace ecr17::detail {

// One wait for a response. A caller that drops a frame it did not ask for
// goes on with the same wait, so that frames never extend it.
struct TReceiveWait {
    int seconds = 0;
    // Ticks left; the last one declares the time-out without a poll.
    long long ticks = 0;
    std::uint32_t start = 0;
    // The time the ticks before the last one stand for.
    std::uint32_t spanMs = 0;
    // Characters discarded in this wait. Past kMaxFrameChars the discarding
    // is warned about once, and received pieces are no longer logged.
    std::size_t discarded = 0;
    bool discarding = false;
};

class TLinkSession {
public:
    TLinkSession(std::unique_ptr<TTcpTransport> AtcpClient, TLinkTiming Atiming);

    TTcpTransport& tcpClient() const noexcept { return *FtcpClient; }
    // Where Send connects when the connection is not open.
    TTerminalAddress& address() noexcept { return Faddress; }
    const TTerminalAddress& address() const noexcept { return Faddress; }
    // Opens the connection to the address.
    void connect();
    void setConnection(std::unique_ptr<TTcpTransport> AtcpClient) noexcept { FtcpClient = std::move(AtcpClient); }
    // Releases the connection object; an open socket is closed silently.
    void releaseConnection() noexcept { FtcpClient.reset(); }

    // True when the terminal acknowledged the command within one attempt.
    bool Send(std::u16string_view Amessage);
    bool SendAttempt(std::u16string_view Amessage);
    // The whole receive buffer once it holds a complete response (in ACK
    // mode: the acknowledgement frame); empty otherwise. AtimedOut is set only
    // when the wait ran out with the connection still open.
    std::u16string receiveData(int Atimeout, bool& AtimedOut, bool AackMode);
    TReceiveWait startWait(int Atimeout) const;
    // receiveData going on with a wait that was started earlier.
    std::u16string receiveData(TReceiveWait& Await, bool& AtimedOut, bool AackMode);
    bool isResponseComplete(std::u16string_view Atext, bool AackMode);
    // False, writing nothing, when there is no open connection.
    bool SendACK();
    void checkProgress(std::u16string_view Atext);

    // Each progress text is returned once.
    std::u16string getProgress();
    void setProgressCallback(TProgressCallback Acallback) noexcept { FprogressCallback.store(Acallback); }
    void clearReceiveBuffer() noexcept;
    void clearProgress();

    const std::u16string& receiveBuffer() const noexcept { return Freceivebuffer; }
    // Drops the first complete frame (up to its ETX and the LRC after it)
    // and what came before it; what came after it stays.
    void dropFirstFrame();

private:
    // True when the wait is over: the ticks are used up and so is their time.
    bool waitOver(TReceiveWait& Await) const;
    int pollLength(const TReceiveWait& Await) const;
    void appendPiece(const std::u16string& Apiece, TReceiveWait& Await);
    // Keeps the buffer within its bound once a piece did not complete it.
    void discardUnusable(TReceiveWait& Await, bool AackMode);
    void trimFront(std::size_t Acount);
    // Empties the buffer except for a frame whose ETX has not arrived yet.
    void keepUnfinishedFrame();

    std::unique_ptr<TTcpTransport> FtcpClient;
    TTerminalAddress Faddress;
    TLinkTiming Ftiming;
    std::u16string Freceivebuffer;
    TResponseScanner Fscanner;
    std::mutex FprogressLock;
    std::u16string Fprogress;
    std::atomic<TProgressCallback> FprogressCallback{nullptr};
};

} // namespace ecr17::detail
