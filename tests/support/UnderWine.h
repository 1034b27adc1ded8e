// Whether the test runs under Wine, whose sockets report a few details
// differently from Windows's.
#pragma once

#ifdef _WIN32
#include <windows.h>

inline bool underWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
inline bool underWine()
{
    return false;
}
#endif
