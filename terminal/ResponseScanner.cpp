#include "ResponseScanner.h"

#include "FrameCodec.h"

namespace ecr17::detail {

void TResponseScanner::reset() noexcept
{
    *this = TResponseScanner{};
}

bool TResponseScanner::complete(std::u16string_view Abuffer, bool AackMode)
{
    if (!Fsettled)
        Fcomplete = AackMode ? scanAck(Abuffer) : scanFrame(Abuffer);
    FscanPos = Abuffer.size();
    return Fcomplete;
}

bool TResponseScanner::scanFrame(std::u16string_view Abuffer)
{
    if (FstxPos == npos) {
        FstxPos = Abuffer.find(STX, FscanPos);
        if (FstxPos == npos)
            return false;
        FscanPos = FstxPos + 1;
    }
    const size_t etxPos = Abuffer.find(ETX, FscanPos);
    if (etxPos == npos)
        return false;
    // Only the first ETX after the first STX counts: an empty payload there
    // means no response, whatever follows.
    Fsettled = true;
    return etxPos > FstxPos + 1;
}

bool TResponseScanner::scanAck(std::u16string_view Abuffer)
{
    static const std::u16string ack = ackFrame();
    // The frame may straddle the previous piece: look back two characters.
    const size_t from = FscanPos >= ack.size() - 1 ? FscanPos - (ack.size() - 1) : 0;
    Fsettled = Abuffer.find(ack, from) != npos;
    return Fsettled;
}

} // namespace ecr17::detail
