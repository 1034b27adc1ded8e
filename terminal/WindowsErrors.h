// The texts of Windows's and Winsock's error codes.
#pragma once

#include <string>

namespace ecr17::detail {

// The description of Winsock code Acode as a sentence, the same words the
// Linux build uses for the matching errno ("Connection refused." for 10061).
std::string describeWinsockError(int Acode);

// The system's description of a Windows error code (GetLastError), as a
// sentence.
std::string describeWindowsError(unsigned long Acode);

} // namespace ecr17::detail
