// Everything the simulated terminal writes in protocol mode goes through here,
// so the faults that concern transmissions apply alike to all of them:
// counting for closeAt/resetAt, garbage before a frame, frames in two pieces.
#pragma once

#include "SimBehaviour.h"

#include <string>

class TSimLink;

class TSimTransmitter {
public:
    TSimTransmitter(TSimLink& Alink, const TSimBehaviour& Abehaviour) : Flink(Alink), Fbehaviour(Abehaviour) {}

    void frame(const std::string& Aframe);
    void progress(const std::string& Atext);

private:
    // Counts a transmission; closes or resets instead when it is the chosen one.
    void count();

    TSimLink& Flink;
    const TSimBehaviour& Fbehaviour;
    std::size_t Fcount = 0;
};
