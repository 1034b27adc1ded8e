// What the client may put on the wire: command frames (STX message ETX LRC,
// the LRC right) and acknowledgement frames (ACK ETX LRC), nothing else.
#pragma once

#include <string_view>

// True when Abytes is a sequence of such frames and nothing more.
bool onlyFrames(std::string_view Abytes);
