// Script mode: a connection follows a fixed list of steps.
#pragma once

#include <chrono>
#include <string>
#include <vector>

class TSimLink;

struct TSimStep {
    enum class Kind { ReadFrame, Ack, Send, Pause, Silent, Close, Reset };
    Kind kind;
    // Send: raw bytes written one piece at a time, Fpause apart.
    std::vector<std::string> pieces;
    std::chrono::milliseconds pause{0};

    // Reads one complete frame (STX..ETX LRC or ACK ETX LRC) and records it.
    static TSimStep readFrame() { return {Kind::ReadFrame, {}, {}}; }
    // Writes the acknowledgement frame 06 03 7A.
    static TSimStep ack() { return {Kind::Ack, {}, {}}; }
    // Writes each piece as it stands (any bytes: garbage, NUL, half frames),
    // waiting Apause between two pieces.
    static TSimStep send(std::vector<std::string> Apieces,
                         std::chrono::milliseconds Apause = std::chrono::milliseconds(0))
    {
        return {Kind::Send, std::move(Apieces), Apause};
    }
    static TSimStep wait(std::chrono::milliseconds Atime) { return {Kind::Pause, {}, Atime}; }
    // Reads and records until the client closes.
    static TSimStep silent() { return {Kind::Silent, {}, {}}; }
    // Orderly close (the client sees end of stream).
    static TSimStep close() { return {Kind::Close, {}, {}}; }
    // Abortive close (the client sees a reset).
    static TSimStep reset() { return {Kind::Reset, {}, {}}; }
};

// The steps of one connection. When they run out the simulator stays silent,
// reading and recording, until the client closes.
using TSimScript = std::vector<TSimStep>;

void simRunScript(TSimLink& Alink, const TSimScript& Ascript);
