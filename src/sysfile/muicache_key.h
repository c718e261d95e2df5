#pragma once

#include <windows.h>

// The shell's MUICache, whose value names are the full paths of programs the
// user started through the shell. It moved between Windows XP and Vista.
struct MuiCacheLocation {
    HKEY root;
    const wchar_t* subKey;
};

// The location for a system of the given major version.
MuiCacheLocation MuiCacheLocationFor(DWORD majorVersion);
