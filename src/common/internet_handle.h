#pragma once

#include <windows.h>
#include <wininet.h>

#include "common/unique_resource.h"

// A WinINet session, connection or request handle.
struct InternetHandleTraits {
    using Value = HINTERNET;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { InternetCloseHandle(value); }
};
using UniqueInternetHandle = UniqueResource<InternetHandleTraits>;

// A WinINet session with the system's proxy settings and the given timeouts
// for connecting and for each receive; empty when WinINet cannot start.
UniqueInternetHandle OpenInternetSession(DWORD connectTimeoutMs, DWORD receiveTimeoutMs);
