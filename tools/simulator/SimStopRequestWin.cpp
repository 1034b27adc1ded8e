#include "SimStopRequest.h"

#include <windows.h>

#include <system_error>

namespace {

// Set by the console's handler thread, waited for by main.
HANDLE GStopRequested = nullptr;

BOOL WINAPI onConsoleEvent(DWORD Aevent)
{
    switch (Aevent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        ::SetEvent(GStopRequested);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

TSimStopRequest::TSimStopRequest()
{
    GStopRequested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (GStopRequested == nullptr || !::SetConsoleCtrlHandler(onConsoleEvent, TRUE))
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "console handler");
}

void TSimStopRequest::wait()
{
    ::WaitForSingleObject(GStopRequested, INFINITE);
}
