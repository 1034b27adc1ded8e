// Set-up shared by every fuzz target, before the first input: the client's
// log records go nowhere.
#include "QuietLog.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    installQuietLog();
    return 0;
}
