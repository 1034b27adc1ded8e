// Windows: standard input, output and error in binary mode from the start,
// so that ecr17.exe prints exactly the text an operation returned (CR LF
// only where the text has them, as on Linux) and reads a receipt unchanged.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

struct TBinaryStdio {
    TBinaryStdio()
    {
        _setmode(_fileno(stdin), _O_BINARY);
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
    }
};

const TBinaryStdio binaryStdio;

} // namespace
