// A real connection that counts the polls the link makes through it.
#pragma once

#include "TcpConnection.h"

using namespace ecr17::detail;

class TCountingTransport final : public TTcpTransport {
public:
    TCountingTransport()
    {
        Finner.setOnConnected([this] { fireConnected(); });
        Finner.setOnDisconnected([this] { fireDisconnected(); });
    }

    int polls = 0;

    bool Connected() override { return Finner.Connected(); }
    void Connect(const std::u16string& AHost, std::uint16_t APort) override { Finner.Connect(AHost, APort); }
    void Write(std::u16string_view AText) override { Finner.Write(AText); }
    void CheckForDataOnSource(int ATimeoutMs) override
    {
        ++polls;
        Finner.CheckForDataOnSource(ATimeoutMs);
    }
    void CheckForDisconnect(bool ARaise, bool AIgnoreBuffer) override { Finner.CheckForDisconnect(ARaise, AIgnoreBuffer); }
    bool InputBufferIsEmpty() const noexcept override { return Finner.InputBufferIsEmpty(); }
    std::size_t InputBufferSize() const noexcept override { return Finner.InputBufferSize(); }
    std::u16string ReadString(std::size_t ACount) override { return Finner.ReadString(ACount); }
    void Disconnect() override { Finner.Disconnect(); }

private:
    TTcpConnection Finner;
};
