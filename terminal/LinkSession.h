// TLinkSession: the exchange layer between the client and the terminal.
//
// Send delivers a command frame and waits for the acknowledgement frame, up to
// kSendAttempts times; receiveData waits, in ticks of one poll each, until the
// receive buffer holds a complete response; SendACK acknowledges a response.
// Progress texts (SOH ... EOT) are picked out of every piece received, kept
// for getProgress and handed to the progress callback.
//
// One exchange at a time runs on one session. The progress text and the
// callback may be read from another thread while an exchange runs, so they
// are exchanged under a lock / atomically; nothing else is shared.
#pragma once

#include "ECR17_TypesU.h"
#include "LinkConstants.h"
#include "ResponseScanner.h"
#include "TcpTransport.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class TLinkSession {
public:
    TLinkSession(std::unique_ptr<TTcpTransport> AtcpClient, TLinkTiming Atiming);

    TTcpTransport& tcpClient() const noexcept { return *FtcpClient; }
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
    // Drops the first complete frame (up to its ETX and the LRC after it).
    void dropFirstFrame();

private:
    void appendPiece(const std::u16string& Apiece);
    // Empties the buffer except for a frame whose ETX has not arrived yet.
    void keepUnfinishedFrame();

    std::unique_ptr<TTcpTransport> FtcpClient;
    TLinkTiming Ftiming;
    std::u16string Freceivebuffer;
    TResponseScanner Fscanner;
    std::mutex FprogressLock;
    std::u16string Fprogress;
    std::atomic<TProgressCallback> FprogressCallback{nullptr};
};
