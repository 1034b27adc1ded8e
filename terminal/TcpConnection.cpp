#include "TcpConnection.h"

#include "LinkConstants.h"
#include "MonotonicClock.h"
#include "TextConvert.h"
#include "TransportErrors.h"
#include "WireEncoding.h"

namespace ecr17::detail {

namespace {

// How long a successful socket operation stands for a check of the socket.
constexpr std::int64_t quietTrustNs = 1'000'000;

} // namespace

TTcpConnection::~TTcpConnection()
{
    releaseSocket();
}

void TTcpConnection::releaseSocket() noexcept
{
    FquietUntil = 0;
    if (FSocket != kNoSocket)
        socketClose(FSocket);
    FSocket = kNoSocket;
}

bool TTcpConnection::Connected()
{
    if (FState == TState::Open && monotonicNs() >= FquietUntil)
        readAvailable();
    return FState == TState::Open || (FState == TState::ClosedByPeer && !FInput.empty());
}

void TTcpConnection::readAvailable()
{
    char chunk[kMaxReadBytes];
    std::ptrdiff_t got = 0;
    try {
        got = socketReadNow(FSocket, chunk, sizeof chunk);
    } catch (const ESocketError&) {
        // A broken socket is closed here: nothing else would close it.
        releaseSocket();
        FState = TState::Closed;
        throw;
    }
    if (got > 0) {
        FInput.append(chunk, static_cast<size_t>(got));
        FquietUntil = monotonicNs() + quietTrustNs;
    } else if (got < 0) {
        releaseSocket();
        FState = TState::ClosedByPeer;
    }
}

void TTcpConnection::Connect(const std::u16string& AHost, std::uint16_t APort)
{
    if (Connected())
        throw ETransportError("Already connected.");
    if (AHost.empty())
        throw ETransportError("A Host is required");
    if (APort == 0)
        throw ETransportError("A Port is required");

    releaseSocket();
    FState = TState::Closed;
    FSocket = socketConnect(textToUtf8(AHost), APort, FconnectTimeoutMs);
    FInput.clear();
    FState = TState::Open;
    fireConnected();
}

void TTcpConnection::Write(std::u16string_view AText)
{
    if (FState == TState::ClosedByPeer)
        throw EConnClosedGracefully();
    if (FState != TState::Open)
        throw ETransportError("Not connected.");
    const std::string bytes = encodeWire(AText);
    try {
        socketSendAll(FSocket, bytes);
    } catch (const ESocketError&) {
        releaseSocket();
        FState = TState::Closed;
        throw;
    }
    FquietUntil = monotonicNs() + quietTrustNs;
}

void TTcpConnection::CheckForDataOnSource(int ATimeoutMs)
{
    // The wait returns at once when bytes or the peer's close are already
    // waiting, so it finds what a Connected() read first would move; that read
    // would cost one more system call on every tick, also while idle.
    if (FState != TState::Open)
        return;
    if (socketWaitReadable(FSocket, ATimeoutMs))
        readAvailable();
    else
        FquietUntil = monotonicNs() + quietTrustNs;
}

void TTcpConnection::CheckForDisconnect(bool ARaise, bool AIgnoreBuffer)
{
    const bool gone = FState == TState::ClosedByPeer || FSocket == kNoSocket;
    if (gone && ARaise && (FInput.empty() || AIgnoreBuffer))
        throw EConnClosedGracefully();
}

std::u16string TTcpConnection::ReadString(std::size_t ACount)
{
    const size_t count = ACount < FInput.size() ? ACount : FInput.size();
    std::u16string text = decodeWire(std::string_view(FInput).substr(0, count));
    FInput.erase(0, count);
    return text;
}

void TTcpConnection::Disconnect()
{
    FInput.clear();
    if (FState != TState::Open) {
        FState = TState::Closed;
        return;
    }
    socketShutdownSend(FSocket);
    releaseSocket();
    FState = TState::Closed;
    fireDisconnected();
}

} // namespace ecr17::detail
