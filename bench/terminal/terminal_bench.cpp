// The terminal client's exchange against the physical limit of the loopback
// link: latency of pay and status against raw sockets, CPU while waiting, and
// payments from 16 threads at once, and the memory a flooding terminal costs.
// Prints RESULT lines for bench/run.sh.
#include "ExchangeLatency.h"
#include "FloodMemory.h"
#include "IdleCost.h"
#include "ParallelScale.h"
#include "TextConvert.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

using namespace ecr17::detail;

namespace {

// A fresh directory for the log file, removed with everything in it.
class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "terminal_bench.XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        Fpath = pattern;
    }
    ~TTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Fpath, ignored);
    }
    std::u16string file(const char* Aname) const { return utf8ToText((Fpath / Aname).string()); }

private:
    std::filesystem::path Fpath;
};

} // namespace

int main()
{
    try {
        // First, before this process has threads to fork with.
        std::printf("-- memory of a payment against a flooding terminal\n");
        runFloodMemory();
        const TTempDir dir;
        const std::u16string logFile = dir.file("terminal_bench.log");
        std::printf("-- exchange latency against raw sockets (instant terminal on 127.0.0.1)\n");
        runExchangeLatency(logFile);
        std::printf("-- idle cost while waiting for an outcome\n");
        runIdleCost(logFile);
        std::printf("-- payments from parallel clients\n");
        runParallelScale();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "terminal_bench: %s\n", e.what());
        return 1;
    }
}
