// One byte a character on the wire: U+0000..U+007F travel as themselves, any
// other character as '?'; received bytes 0x80..0xFF read back as U+FFFD,
// and a received NUL as '?'.
#pragma once

#include <string>
#include <string_view>

namespace ecr17::detail {

std::string encodeWire(std::u16string_view Atext);
std::u16string decodeWire(std::string_view Abytes);

} // namespace ecr17::detail
