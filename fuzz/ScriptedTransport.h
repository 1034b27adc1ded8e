// A connection whose peer plays a script of bytes: each poll for data
// delivers the script's next event, and the end of the script is the peer
// closing the connection. Connecting again after that is refused, so an
// exchange always comes to an end.
//
// Script bytes: 0xFF ends a piece (the bytes before it arrive in one read),
// 0xFE is a poll that brings nothing. Received bytes 0x80..0xFF all read as
// U+FFFD, so giving two of them a meaning loses nothing.
#pragma once

#include "TcpTransport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TScriptedTransport final : public ecr17::detail::TTcpTransport {
public:
    TScriptedTransport(const std::uint8_t* Adata, std::size_t Asize);

    bool Connected() override;
    void Connect(const std::u16string& AHost, std::uint16_t APort) override;
    void Write(std::u16string_view AText) override;
    void CheckForDataOnSource(int ATimeoutMs) override;
    void CheckForDisconnect(bool ARaise, bool AIgnoreBuffer) override;
    bool InputBufferIsEmpty() const noexcept override { return FInput.empty(); }
    std::size_t InputBufferSize() const noexcept override { return FInput.size(); }
    std::u16string ReadString(std::size_t ACount) override;
    void Disconnect() override;

    // Every byte the client wrote, in order.
    const std::string& written() const noexcept { return FWritten; }

private:
    enum class TState { Closed, Open, ClosedByPeer };

    // One event a poll: a piece, or nothing (silence).
    std::vector<std::optional<std::string>> FScript;
    std::size_t FNext = 0;
    TState FState = TState::Closed;
    std::string FInput;
    std::string FWritten;
};
