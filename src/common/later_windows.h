#pragma once

#include <windows.h>

// Every function the program calls that Windows XP SP3 (32-bit) does not
// export is looked up here, at run time, and nowhere else. Imported by name,
// one such function keeps the release build from starting on XP and Server
// 2003 at all (tests/build/check_xp_imports.py reads its import table against
// data/winxp-sp3-exports.txt). Each accessor returns null where the system
// lacks the function; the caller then takes a way as safe as the call, or
// skips the step and says so in the run log.
//
// To add a function: one line in the table below (its DLL, its name, its
// type), then call it as later_windows::Name() and handle null. Nothing else
// changes: the DLL is taken from the system directory by full path (never by
// name, which would search beside the program first), and the test build of
// the program that runs as on XP (tests/e2e) finds nothing for it either.

// X(DLL, NAME, TYPE): since when Windows has it, and what for.
#define FILEMENDER_LATER_WINDOWS_FUNCTIONS(X)                                                      \
    /* Vista: the path of an open file with every link resolved. */                                \
    X(L"kernel32.dll", GetFinalPathNameByHandleW, DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD))    \
    /* XP SP2: before it, no 64-bit Windows to run on. */                                          \
    X(L"kernel32.dll", IsWow64Process, BOOL(WINAPI*)(HANDLE, PBOOL))                               \
    /* XP x64 and Server 2003 SP1: deleting a key of one registry view. */                         \
    X(L"advapi32.dll", RegDeleteKeyExW, LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD))               \
    /* Vista: version resources read without the language redirection of MUI files. */             \
    X(L"version.dll", GetFileVersionInfoSizeExW, DWORD(WINAPI*)(DWORD, LPCWSTR, LPDWORD))          \
    X(L"version.dll", GetFileVersionInfoExW, BOOL(WINAPI*)(DWORD, LPCWSTR, DWORD, DWORD, LPVOID))  \
    /* Windows 7 with its loader update: DLLs loaded by name from the system directory only. */    \
    X(L"kernel32.dll", SetDefaultDllDirectories, BOOL(WINAPI*)(DWORD))

namespace later_windows {

// The table's functions, for the look-up below.
enum class Function {
#define FILEMENDER_LATER_WINDOWS_ENUM(dll, name, type) name,
    FILEMENDER_LATER_WINDOWS_FUNCTIONS(FILEMENDER_LATER_WINDOWS_ENUM)
#undef FILEMENDER_LATER_WINDOWS_ENUM
        Count
};

// The address of FUNCTION in its DLL, or null: looked up once, at the first
// call, and kept.
FARPROC Address(Function function);

// The function's name and DLL as the table gives them.
const char* NameOf(Function function);
const wchar_t* DllOf(Function function);

// One typed accessor per function: later_windows::GetFinalPathNameByHandleW()
// returns a GetFinalPathNameByHandleWFn, or null where Windows lacks it.
#define FILEMENDER_LATER_WINDOWS_ACCESSOR(dll, name, type)                                         \
    using name##Fn = type;                                                                         \
    inline name##Fn name() {                                                                       \
        return reinterpret_cast<name##Fn>(reinterpret_cast<void*>(Address(Function::name)));       \
    }
FILEMENDER_LATER_WINDOWS_FUNCTIONS(FILEMENDER_LATER_WINDOWS_ACCESSOR)
#undef FILEMENDER_LATER_WINDOWS_ACCESSOR

// Test seam: from now on every function of the table is missing, as on
// Windows XP. Only the test build of the program that runs as on XP calls it,
// before any other code of the program runs.
void PretendAllMissing();

} // namespace later_windows
