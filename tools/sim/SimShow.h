// Bytes as a readable line: printable ASCII as it stands, control characters
// by name ("<STX>", "<ETX>", "<ACK>", ...), other bytes as "<xHH>".
#pragma once

#include <string>
#include <string_view>

std::string simShow(std::string_view Abytes);
