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
