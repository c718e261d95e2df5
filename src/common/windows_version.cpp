#include "common/windows_version.h"

#include "common/proc_address.h"

bool QueryWindowsVersion(OSVERSIONINFOEXW& version) {
    version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) != FALSE;
}

DWORD WindowsMajorVersion() {
    OSVERSIONINFOEXW version;
    return QueryWindowsVersion(version) ? version.dwMajorVersion : 0;
}

bool RunsUnderWow64() {
    // Windows XP before SP2 has no such call, and no 64-bit edition to run on.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64Process =
        ProcAddress<IsWow64ProcessFn>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
