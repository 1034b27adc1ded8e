#include "InstantTerminal.h"

#include "SimFrames.h"
#include "SimMessages.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

// Fixed clock fields and STAN: every answer is the same bytes.
constexpr unsigned benchStan = 1;
constexpr long long benchCents = 1;
constexpr std::size_t benchReceiptBlocks = 3;

TSocket listenLoopback(std::uint16_t& Aport)
{
    TSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (s.fd() < 0 || ::bind(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0
        || ::listen(s.fd(), 64) < 0 || ::getsockname(s.fd(), reinterpret_cast<sockaddr*>(&address), &length) < 0)
        throw std::system_error(errno, std::generic_category(), "listen");
    Aport = ntohs(address.sin_port);
    return s;
}

char messageCode(const std::string& Apayload)
{
    return Apayload.size() >= 10 ? Apayload[9] : '\0';
}

} // namespace

struct TInstantTerminal::TConnection {
    TSocket socket;
    std::string buffer;
    char printMode = '0';
};

TInstantTerminal::TInstantTerminal(TMode Amode)
    : Fmode(Amode), Flisten(listenLoopback(Fport)), Fstop(::eventfd(0, EFD_CLOEXEC)), Fack(simAckFrame())
{
    if (Fstop.fd() < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    const TSimBehaviour behaviour;
    Fstatus = simFrame(simStatusPayload(behaviour, "0912262300"));
    Foutcome = simFrame(simOutcomePayload(behaviour, benchStan, "3432300"));
    for (const std::string& block :
         simReceiptBlocks(simReceiptLines(behaviour, benchStan, benchCents), benchReceiptBlocks))
        Freceipt.push_back(simFrame(block));
    Fthread = std::thread([this] { run(); });
}

TInstantTerminal::~TInstantTerminal()
{
    const std::uint64_t one = 1;
    if (::write(Fstop.fd(), &one, sizeof one) < 0)
        std::perror("eventfd");
    Fthread.join();
}

void TInstantTerminal::run()
{
    try {
        std::string none;
        for (;;) {
            // The listening socket is readable when a client waits to be accepted.
            pollfd fds[2] = {{Flisten.fd(), POLLIN, 0}, {Fstop.fd(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents & POLLIN)
                return;
            if (fds[0].revents & POLLIN)
                serve(TSocket(::accept4(Flisten.fd(), nullptr, nullptr, SOCK_CLOEXEC)));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "instant terminal: %s\n", e.what());
    }
}

void TInstantTerminal::serve(TSocket Aclient)
{
    if (Aclient.fd() < 0)
        return;
    setNoDelay(Aclient.fd());
    TConnection conn{std::move(Aclient), {}, '0'};
    while (const auto frame = readFrame(conn.socket.fd(), conn.buffer, Fstop.fd()))
        answer(conn, *frame);
}

void TInstantTerminal::answer(TConnection& Aconn, const std::string& Aframe)
{
    // A stray acknowledgement needs no answer.
    if (simIsAck(Aframe))
        return;
    sendAll(Aconn.socket.fd(), Fack);
    if (Fmode == TMode::AckOnly)
        return;
    const std::string payload = simPayload(Aframe);
    switch (messageCode(payload)) {
    case 's':
        sendAcknowledged(Aconn, Fstatus);
        break;
    case 'E':
        Aconn.printMode = payload.size() > 10 ? payload[10] : '0';
        break;
    case 'P':
        answerPayment(Aconn);
        break;
    default:
        break;
    }
}

void TInstantTerminal::answerPayment(TConnection& Aconn)
{
    if (!sendAcknowledged(Aconn, Foutcome) || Aconn.printMode == '0')
        return;
    for (const std::string& block : Freceipt)
        if (!sendAcknowledged(Aconn, block))
            return;
}

bool TInstantTerminal::sendAcknowledged(TConnection& Aconn, const std::string& Areply)
{
    sendAll(Aconn.socket.fd(), Areply);
    const auto frame = readFrame(Aconn.socket.fd(), Aconn.buffer, Fstop.fd());
    return frame && simIsAck(*frame);
}
