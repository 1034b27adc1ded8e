#include "RawExchange.h"

#include "BenchSocket.h"
#include "FrameCodec.h"
#include "SimFrames.h"

#include <stdexcept>
#include <string>
#include <sys/socket.h>

using namespace ecr17::detail;

namespace {

// The same messages the client sends for a payment of 0.01 with an empty
// description, and for a status request.
const std::string printModeFrame = simFrame("000000000E2");
const std::string payFrame = simFrame("000000000P0000000000000" "00000001" + std::string(128, ' ') + "00000000");
const std::string statusFrame = simFrame("000000000s");
const std::string ack = simAckFrame();

class TRawLink {
public:
    explicit TRawLink(std::uint16_t Aport) : Fsocket(connectLoopback(Aport)) {}
    ~TRawLink() { ::shutdown(Fsocket.fd(), SHUT_WR); }

    void send(const std::string& Aframe) { sendAll(Fsocket.fd(), Aframe); }

    std::string receive()
    {
        auto frame = readFrame(Fsocket.fd(), Fbuffer);
        if (!frame)
            throw std::runtime_error("raw exchange: the terminal closed the connection");
        return std::move(*frame);
    }

    void command(const std::string& Aframe)
    {
        send(Aframe);
        if (!simIsAck(receive()))
            throw std::runtime_error("raw exchange: command not acknowledged");
    }

    // A response, acknowledged.
    std::string response()
    {
        std::string frame = receive();
        send(ack);
        return frame;
    }

private:
    TSocket Fsocket;
    std::string Fbuffer;
};

} // namespace

void rawPay(std::uint16_t Aport)
{
    TRawLink link(Aport);
    link.command(printModeFrame);
    link.command(payFrame);
    link.response();
    // The block holding the end mark is the last one.
    bool last = false;
    while (!last)
        last = link.response().find(static_cast<char>(ESC)) != std::string::npos;
}

void rawStatus(std::uint16_t Aport)
{
    TRawLink link(Aport);
    link.command(statusFrame);
    link.response();
}
