// The client's error convention: an operation with a handler writes the
// message of every std::exception that passes through it at lvError and lets
// the very same object continue to its caller.
#pragma once

#include <exception>

// Writes Aerror.what() at lvError, then rethrows the exception being handled
// with `throw;`. Call it only inside a catch block.
[[noreturn]] void logException(const std::exception& Aerror);

// Runs Awork under the handler: std::exceptions are logged and rethrown,
// anything else passes through untouched.
template <class F>
decltype(auto) withLogException(F&& Awork)
{
    try {
        return Awork();
    } catch (const std::exception& e) {
        logException(e);
    }
}
