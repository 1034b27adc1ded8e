// A property every input must keep. A violation aborts, so libFuzzer saves
// the input as a crash file and the run fails.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzFail(const char* Awhat, const char* Afile, int Aline)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n", Afile, Aline, Awhat);
    std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? void() : fuzzFail(#cond, __FILE__, __LINE__))
