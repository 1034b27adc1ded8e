// The narrow interface the link uses to reach the terminal.
//
// The link never touches a socket: it connects, writes whole frames, polls for
// bytes and reads what is queued through this interface, so a test can put a
// fake connection under it. Bytes received are held in an input queue until
// the link reads them; a peer close is noticed while reading and recorded,
// and the queued bytes stay readable afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ecr17::detail {

class TTcpTransport {
public:
    using TEvent = std::function<void()>;

    virtual ~TTcpTransport() = default;

    // Fired after a successful Connect / after Disconnect closed an open connection.
    void setOnConnected(TEvent AEvent) { FOnConnected = std::move(AEvent); }
    void setOnDisconnected(TEvent AEvent) { FOnDisconnected = std::move(AEvent); }

    // Open, or closed by the peer with unread bytes left. Moves bytes already
    // waiting into the input queue first, without waiting.
    virtual bool Connected() = 0;
    virtual void Connect(const std::u16string& AHost, std::uint16_t APort) = 0;
    // Sends every character, one byte each (see WireEncoding.h).
    virtual void Write(std::u16string_view AText) = 0;
    // Waits up to ATimeoutMs for bytes unless some are already there.
    virtual void CheckForDataOnSource(int ATimeoutMs) = 0;
    // Raises EConnClosedGracefully when the connection is gone and (unless
    // AIgnoreBuffer) nothing is left to read; only when ARaise is set.
    virtual void CheckForDisconnect(bool ARaise, bool AIgnoreBuffer) = 0;
    virtual bool InputBufferIsEmpty() const noexcept = 0;
    virtual std::size_t InputBufferSize() const noexcept = 0;
    // Takes ACount queued bytes (fewer if fewer are queued), decoded.
    virtual std::u16string ReadString(std::size_t ACount) = 0;
    // Closes an open connection (orderly) and discards unread bytes.
    virtual void Disconnect() = 0;

protected:
    void fireConnected() const { if (FOnConnected) FOnConnected(); }
    void fireDisconnected() const { if (FOnDisconnected) FOnDisconnected(); }

private:
    TEvent FOnConnected;
    TEvent FOnDisconnected;
};

} // namespace ecr17::detail
