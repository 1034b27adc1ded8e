// Recognises a complete response in a receive buffer that grows piece by
// piece, looking at each character once.
//
// A response is complete when the payload between the buffer's first STX and
// the next ETX is not empty (the same test the parsers apply to the whole
// buffer); in ACK mode, when the buffer holds the acknowledgement frame
// anywhere. A TCP stream may split a frame anywhere, so the scan carries its
// position across pieces instead of testing each piece alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ecr17::detail {

class TResponseScanner {
public:
    // Forget the buffer; call whenever it is emptied.
    void reset() noexcept;
    // Abuffer must be the buffer seen last time with characters appended.
    bool complete(std::u16string_view Abuffer, bool AackMode);

private:
    bool scanFrame(std::u16string_view Abuffer);
    bool scanAck(std::u16string_view Abuffer);

    static constexpr std::size_t npos = std::u16string_view::npos;
    std::size_t FscanPos = 0;
    std::size_t FstxPos = npos;
    // The first ETX after the first STX has been seen: the answer is final.
    bool Fsettled = false;
    bool Fcomplete = false;
};

} // namespace ecr17::detail
