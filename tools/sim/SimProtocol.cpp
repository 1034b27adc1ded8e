#include "SimProtocol.h"

#include "SimFrames.h"
#include "SimLink.h"

TSimProtocol::TSimProtocol(TSimBehaviour Abehaviour) : Fbehaviour(std::move(Abehaviour)), Fstan(Fbehaviour.stan) {}

void TSimProtocol::serve(TSimLink& Alink)
{
    for (;;) {
        Alink.readFrame();
        Alink.send(simAckFrame());
    }
}
