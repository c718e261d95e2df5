#pragma once

#include <windows.h>

// GetProcAddress typed as the function it resolves; NAME may be an ordinal
// made with MAKEINTRESOURCEA. Null when the export is missing.
template <class Function> Function ProcAddress(HMODULE module, const char* name) {
    FARPROC address = GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}
