#include "SimScript.h"

#include "SimFrames.h"
#include "SimLink.h"

namespace {

void sendPieces(TSimLink& Alink, const TSimStep& Astep)
{
    for (size_t i = 0; i < Astep.pieces.size(); ++i) {
        if (i > 0)
            Alink.pause(Astep.pause);
        Alink.send(Astep.pieces[i]);
    }
}

void runStep(TSimLink& Alink, const TSimStep& Astep)
{
    switch (Astep.kind) {
    case TSimStep::Kind::ReadFrame:
        Alink.readFrame();
        return;
    case TSimStep::Kind::Ack:
        Alink.send(simAckFrame());
        return;
    case TSimStep::Kind::Send:
        sendPieces(Alink, Astep);
        return;
    case TSimStep::Kind::Pause:
        Alink.pause(Astep.pause);
        return;
    case TSimStep::Kind::Silent:
        Alink.readUntilClosed();
    case TSimStep::Kind::Close:
        Alink.close();
    case TSimStep::Kind::Reset:
        Alink.reset();
    }
}

} // namespace

void simRunScript(TSimLink& Alink, const TSimScript& Ascript)
{
    for (const TSimStep& step : Ascript)
        runStep(Alink, step);
    Alink.readUntilClosed();
}
