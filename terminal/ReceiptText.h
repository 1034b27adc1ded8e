// The customer receipt: recognising a receipt block, cleaning and wrapping the
// collected text, and attaching it to a payment's result text.
//
// A receipt block is a payload of at least 11 characters with the message code
// "S" at position 10; its text is everything after that. ESC anywhere in a
// block marks the last block; "}" ends a receipt line; DEL means nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ecr17::detail {

// True when Areceived holds a receipt block: Ablock is then its text (ESC
// included) and Alast tells whether it holds ESC. On false Ablock is empty
// and Alast keeps its value. Errors are logged and passed on.
bool parseReceiptRes(std::u16string_view Areceived, std::u16string& Ablock, bool& Alast);

// "}" becomes LF, DEL and ESC are removed, then every line is cut into pieces
// of Acols characters, each full piece followed by LF. A line shorter than
// Acols keeps its own LF; text after the last LF gets an LF only when its last
// piece is full. Every code unit counts as one column. Acols is 12..64 as the
// client keeps it; 0 is taken as 1. Errors are logged and passed on.
std::u16string formatReceipt(std::u16string_view Areceipt, std::uint16_t Acols);

// JSON (AJSONout): Ares read back as an object, with a last string member
// "receipt" added; empty when Ares is not an object (no outcome was accepted),
// so the receipt is dropped. Text: Ares + "Receipt: " + Areceipt + LF.
std::u16string appendReceipt(std::u16string_view Ares, std::u16string_view Areceipt, bool AJSONout);

} // namespace ecr17::detail
