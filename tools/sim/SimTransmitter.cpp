#include "SimTransmitter.h"

#include "SimFrames.h"
#include "SimLink.h"

void TSimTransmitter::count()
{
    ++Fcount;
    if (Fcount == Fbehaviour.closeAt)
        Flink.close();
    if (Fcount == Fbehaviour.resetAt)
        Flink.reset();
}

void TSimTransmitter::frame(const std::string& Aframe)
{
    count();
    if (!Fbehaviour.garbage.empty())
        Flink.send(Fbehaviour.garbage);
    if (!Fbehaviour.splitFrames || Aframe.size() < 2) {
        Flink.send(Aframe);
        return;
    }
    const std::size_t half = Aframe.size() / 2;
    Flink.send(Aframe.substr(0, half));
    Flink.pause(Fbehaviour.splitPause);
    Flink.send(Aframe.substr(half));
}

void TSimTransmitter::progress(const std::string& Atext)
{
    count();
    Flink.send(simProgress(Atext));
}
