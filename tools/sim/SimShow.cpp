#include "SimShow.h"

#include <cstdio>

namespace {

constexpr const char* controlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

std::string showByte(unsigned char Abyte)
{
    if (Abyte < 32)
        return std::string("<") + controlNames[Abyte] + ">";
    if (Abyte == 0x7F)
        return "<DEL>";
    if (Abyte > 0x7F) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "<x%02X>", Abyte);
        return hex;
    }
    return std::string(1, static_cast<char>(Abyte));
}

} // namespace

std::string simShow(std::string_view Abytes)
{
    std::string shown;
    for (char c : Abytes)
        shown += showByte(static_cast<unsigned char>(c));
    return shown;
}
