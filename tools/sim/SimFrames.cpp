#include "SimFrames.h"

#include <cstdint>

using namespace ecr17::detail;

namespace {

std::string withLrc(std::string Abytes)
{
    Abytes += static_cast<char>(calcLRC(std::string_view(Abytes)));
    return Abytes;
}

// A stray ACK not followed by ETX is noise, not the start of a frame.
bool startsFrame(std::string_view Abuffer, size_t Apos)
{
    if (Abuffer[Apos] == simByte(STX))
        return true;
    return Apos + 1 >= Abuffer.size() || Abuffer[Apos + 1] == simByte(ETX);
}

std::optional<size_t> frameStart(std::string_view Abuffer)
{
    const std::string starts{simByte(STX), simByte(ACK)};
    for (size_t pos = Abuffer.find_first_of(starts); pos != std::string_view::npos;
         pos = Abuffer.find_first_of(starts, pos + 1)) {
        if (startsFrame(Abuffer, pos))
            return pos;
    }
    return std::nullopt;
}

// One past the check character, or nullopt while the frame is incomplete.
std::optional<size_t> frameEnd(std::string_view Abuffer)
{
    const size_t etx = Abuffer[0] == simByte(ACK) ? 1 : Abuffer.find(simByte(ETX), 1);
    if (etx == std::string_view::npos || etx + 1 >= Abuffer.size())
        return std::nullopt;
    return etx + 2;
}

} // namespace

std::string simFrame(std::string_view Amessage)
{
    return withLrc(simByte(STX) + std::string(Amessage) + simByte(ETX));
}

std::string simAckFrame()
{
    return withLrc(std::string{simByte(ACK), simByte(ETX)});
}

std::string simProgress(std::string_view Atext)
{
    return simByte(SOH) + std::string(Atext) + simByte(EOT);
}

std::string simPayload(std::string_view Aframe)
{
    const size_t stx = Aframe.find(simByte(STX));
    if (stx == std::string_view::npos)
        return {};
    const size_t etx = Aframe.find(simByte(ETX), stx);
    if (etx == std::string_view::npos)
        return {};
    return std::string(Aframe.substr(stx + 1, etx - stx - 1));
}

bool simIsAck(std::string_view Aframe)
{
    return Aframe == simAckFrame();
}

std::optional<std::string> simTakeFrame(std::string& Abuffer)
{
    const auto start = frameStart(Abuffer);
    if (!start) {
        Abuffer.clear();
        return std::nullopt;
    }
    Abuffer.erase(0, *start);
    const auto end = frameEnd(Abuffer);
    if (!end)
        return std::nullopt;
    std::string frame = Abuffer.substr(0, *end);
    Abuffer.erase(0, *end);
    return frame;
}
