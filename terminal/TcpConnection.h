// TTcpConnection: the TCP connection to the terminal, on the platform's
// sockets (TcpSocket.h).
//
// Time-outs: Connect gives up after its time limit (kConnectTimeoutMs unless
// given) with the socket error of a time-out; Write blocks until the
// platform has taken every byte. Reading never blocks except in CheckForDataOnSource, which
// waits in poll() for at most the caller's time-out and returns at once when
// bytes are already queued. Each read takes at most kMaxReadBytes, so a
// flooding peer fills the queue only as fast as the caller polls.
//
// A peer close (end of stream, reset) is noticed while reading: the socket is
// released and the state becomes "closed by peer", while queued bytes stay
// readable; Connected() stays true until they are read.
#pragma once

#include "LinkConstants.h"
#include "TcpSocket.h"
#include "TcpTransport.h"

#include <cstdint>
#include <string>

namespace ecr17::detail {

class TTcpConnection final : public TTcpTransport {
public:
    explicit TTcpConnection(int AconnectTimeoutMs = kConnectTimeoutMs) noexcept : FconnectTimeoutMs(AconnectTimeoutMs) {}
    // Closes an open socket without firing OnDisconnected.
    ~TTcpConnection() override;
    TTcpConnection(const TTcpConnection&) = delete;
    TTcpConnection& operator=(const TTcpConnection&) = delete;

    bool Connected() override;
    void Connect(const std::u16string& AHost, std::uint16_t APort) override;
    void Write(std::u16string_view AText) override;
    void CheckForDataOnSource(int ATimeoutMs) override;
    void CheckForDisconnect(bool ARaise, bool AIgnoreBuffer) override;
    bool InputBufferIsEmpty() const noexcept override { return FInput.empty(); }
    std::size_t InputBufferSize() const noexcept override { return FInput.size(); }
    std::u16string ReadString(std::size_t ACount) override;
    void Disconnect() override;

private:
    enum class TState { Closed, Open, ClosedByPeer };

    // One non-blocking read into the input queue; notices a peer close.
    void readAvailable();
    void releaseSocket() noexcept;

    int FconnectTimeoutMs;
    TSocketHandle FSocket = kNoSocket;
    TState FState = TState::Closed;
    std::string FInput;
    // A socket operation that just succeeded (a read that moved bytes, a
    // write, a poll that found nothing) has checked the socket: until this
    // moment (monotonic ns, 1 ms later) Connected() trusts it instead of
    // reading again. An exchange then costs the system calls of a plain
    // client, and an idle tick one; a peer close inside the window is
    // noticed by the next wait instead.
    std::int64_t FquietUntil = 0;
};

} // namespace ecr17::detail
