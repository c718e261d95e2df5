#pragma once

#include <windows.h>

// GetProcAddress typed as the function it resolves; NAME may be an ordinal
// made with MAKEINTRESOURCEA. Null when the export is missing. A function
// newer than Windows XP is looked up through common/later_windows.h instead,
// whose table names every one.
template <class Function> Function ProcAddress(HMODULE module, const char* name) {
    FARPROC address = GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}
