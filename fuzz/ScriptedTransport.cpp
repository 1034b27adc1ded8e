#include "ScriptedTransport.h"

#include "TransportErrors.h"
#include "WireEncoding.h"

#include <cerrno>

using namespace ecr17::detail;

namespace {

constexpr std::uint8_t pieceEnd = 0xFF;
constexpr std::uint8_t silentPoll = 0xFE;

} // namespace

TScriptedTransport::TScriptedTransport(const std::uint8_t* Adata, std::size_t Asize)
{
    std::string piece;
    for (std::size_t i = 0; i < Asize; ++i) {
        if (Adata[i] == silentPoll) {
            FScript.emplace_back(std::nullopt);
        } else if (Adata[i] == pieceEnd) {
            FScript.emplace_back(std::move(piece));
            piece.clear();
        } else {
            piece += static_cast<char>(Adata[i]);
        }
    }
    if (!piece.empty()) FScript.emplace_back(std::move(piece));
}

bool TScriptedTransport::Connected()
{
    return FState == TState::Open || (FState == TState::ClosedByPeer && !FInput.empty());
}

void TScriptedTransport::Connect(const std::u16string&, std::uint16_t)
{
    if (Connected()) throw ETransportError("Already connected.");
    if (FNext >= FScript.size()) throw ESocketError(ECONNREFUSED, describeErrno(ECONNREFUSED));
    FInput.clear();
    FState = TState::Open;
    fireConnected();
}

void TScriptedTransport::Write(std::u16string_view AText)
{
    if (FState != TState::Open) throw EConnClosedGracefully();
    FWritten += encodeWire(AText);
}

void TScriptedTransport::CheckForDataOnSource(int)
{
    if (FState != TState::Open) return;
    if (FNext >= FScript.size()) {
        FState = TState::ClosedByPeer;
        return;
    }
    if (const auto& event = FScript[FNext++]) FInput += *event;
}

void TScriptedTransport::CheckForDisconnect(bool ARaise, bool AIgnoreBuffer)
{
    if (FState != TState::Open && ARaise && (FInput.empty() || AIgnoreBuffer)) throw EConnClosedGracefully();
}

std::u16string TScriptedTransport::ReadString(std::size_t ACount)
{
    const std::size_t count = ACount < FInput.size() ? ACount : FInput.size();
    std::u16string text = decodeWire(std::string_view(FInput).substr(0, count));
    FInput.erase(0, count);
    return text;
}

void TScriptedTransport::Disconnect()
{
    FInput.clear();
    const bool wasOpen = FState == TState::Open;
    FState = TState::Closed;
    if (wasOpen) fireDisconnected();
}
