// TTerminalSim: a payment terminal on a TCP port, for tests and for trying
// the client without hardware.
//
// It listens on a host and port (port 0: a free port, see port()), serves one
// client connection at a time, any number of them in a row, on its own
// thread, and records every byte it receives and sends. Each connection
// follows either a script (script mode) or the terminal's side of the
// protocol (protocol mode). The destructor stops the thread and joins it;
// waits end at once, whatever the connection is doing.
#pragma once

#include "SimBehaviour.h"
#include "SimEvent.h"
#include "SimFd.h"
#include "SimLedger.h"
#include "SimScript.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TSimConfig {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
    // Called on the simulator's thread for every event; keep it short.
    std::function<void(const TSimEvent&)> observer;
    // Never accept: the listen queue is kept full, so a connect gets no
    // answer at all, as when a switched-off terminal's SYNs are dropped.
    bool dropConnects = false;
};

// What one connection brought, as recorded so far.
struct TSimConnection {
    std::string received;             // every byte, in arrival order
    std::string sent;                 // every byte written
    std::vector<std::string> frames;  // the complete frames read, in order
    bool closed = false;
    std::string endReason;            // why it ended, once closed
};

class TTerminalSim {
public:
    using ms = std::chrono::milliseconds;

    // Connection k follows Ascripts[k]; connections beyond the list follow
    // the last script (none: stay silent).
    explicit TTerminalSim(std::vector<TSimScript> Ascripts, TSimConfig Aconfig = {});
    explicit TTerminalSim(TSimBehaviour Abehaviour, TSimConfig Aconfig = {});
    ~TTerminalSim();
    TTerminalSim(const TTerminalSim&) = delete;
    TTerminalSim& operator=(const TTerminalSim&) = delete;

    std::uint16_t port() const noexcept { return Fport; }
    // The money the terminal handled in protocol mode (empty in script mode).
    const TSimLedger& ledger() const noexcept;

    // Snapshots; connections are numbered from 0 in the order served.
    std::size_t connectionCount() const;
    std::size_t closedCount() const;
    TSimConnection connection(std::size_t Aindex) const;
    // Everything received on every connection, in order.
    std::string receivedAll() const;
    std::vector<std::string> framesAll() const;

    // Each waits until the count is reached or Atimeout has passed; false
    // when the time ran out.
    bool waitForConnections(std::size_t Acount, ms Atimeout = ms(10000)) const;
    bool waitForClosed(std::size_t Acount, ms Atimeout = ms(10000)) const;
    bool waitForFrames(std::size_t Acount, ms Atimeout = ms(10000)) const;

private:
    class TRecorder;
    using THandler = std::function<void(class TSimLink&, std::size_t)>;

    TTerminalSim(std::shared_ptr<class TSimProtocol> Aprotocol, TSimConfig Aconfig);
    TTerminalSim(THandler Ahandler, TSimConfig Aconfig, std::shared_ptr<class TSimProtocol> Aprotocol = nullptr);
    void serve();
    void serveOne(TSimFd Asocket);
    void record(std::size_t Aindex, TSimEvent::Kind Akind, std::string_view Abytes);
    template <class Pred>
    bool waitFor(ms Atimeout, Pred Apred) const;

    TSimConfig Fconfig;
    std::shared_ptr<class TSimProtocol> Fprotocol;
    THandler Fhandler;
    std::unique_ptr<struct TSimServerSockets> Fsockets;
    std::uint16_t Fport = 0;

    mutable std::mutex Fmutex;
    mutable std::condition_variable Fchanged;
    std::vector<TSimConnection> Fconnections;
    std::size_t Fclosed = 0;
    std::size_t Fframes = 0;

    std::thread Fthread;
};
