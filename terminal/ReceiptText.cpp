#include "ReceiptText.h"

#include "FrameCodec.h"
#include "LogException.h"
#include "ResultText.h"

#include <algorithm>

namespace ecr17::detail {

namespace {

constexpr char16_t DEL = 0x7F;
constexpr char16_t lineEndMark = u'}';
constexpr std::size_t codePosition = 10;

std::u16string cleanReceipt(std::u16string_view Areceipt)
{
    std::u16string out;
    out.reserve(Areceipt.size());
    for (const char16_t c : Areceipt) {
        if (c == DEL || c == ESC) continue;
        out += c == lineEndMark ? u'\n' : c;
    }
    return out;
}

// Cuts Atext, which holds no LF, into pieces of Acols characters; every full
// piece gets an LF.
void appendWrapped(std::u16string& Aout, std::u16string_view Atext, std::size_t Acols)
{
    while (!Atext.empty()) {
        const std::u16string_view piece = Atext.substr(0, Acols);
        Aout += piece;
        if (piece.size() == Acols) Aout += u'\n';
        Atext.remove_prefix(piece.size());
    }
}

std::u16string wrapLines(std::u16string_view Atext, std::size_t Acols)
{
    std::u16string out;
    out.reserve(Atext.size() + Atext.size() / Acols + 1);
    while (!Atext.empty()) {
        const std::size_t lineEnd = Atext.find(u'\n');
        const std::u16string_view line = Atext.substr(0, lineEnd);
        appendWrapped(out, line, Acols);
        if (lineEnd == std::u16string_view::npos) break;
        // A line that filled its last piece exactly already got an LF, and its
        // own LF then stands as an empty line.
        out += u'\n';
        Atext.remove_prefix(lineEnd + 1);
    }
    return out;
}

} // namespace

bool parseReceiptRes(std::u16string_view Areceived, std::u16string& Ablock, bool& Alast)
{
    Ablock.clear();
    return withLogException([&] {
        const std::u16string payload = extractBetween(Areceived, STX, ETX);
        if (payload.size() <= codePosition || payload[codePosition - 1] != u'S') return false;
        Ablock = payload.substr(codePosition);
        Alast = Ablock.find(ESC) != std::u16string::npos;
        return true;
    });
}

std::u16string formatReceipt(std::u16string_view Areceipt, std::uint16_t Acols)
{
    return withLogException([&] { return wrapLines(cleanReceipt(Areceipt), std::max<std::size_t>(Acols, 1)); });
}

std::u16string appendReceipt(std::u16string_view Ares, std::u16string_view Areceipt, bool AJSONout)
{
    return appendResultField(Ares, {u"receipt", u"Receipt: ", std::u16string(Areceipt)}, AJSONout);
}

} // namespace ecr17::detail
