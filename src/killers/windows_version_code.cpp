#include "killers/windows_version_code.h"

#include <windows.h>

#include "common/windows_version.h"

bool GetWindowsVersionCode(int& code) {
    OSVERSIONINFOEXW extended;
    OSVERSIONINFOW version = {};
    if (QueryWindowsVersion(extended)) {
        version.dwMajorVersion = extended.dwMajorVersion;
        version.dwMinorVersion = extended.dwMinorVersion;
        version.dwPlatformId = extended.dwPlatformId;
    } else {
        version.dwOSVersionInfoSize = sizeof(version);
        if (!GetVersionExW(&version))
            return false;
    }
    const DWORD major = version.dwMajorVersion;
    const DWORD minor = version.dwMinorVersion;
    code = 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (major == 4)
            code = 4;
        else if (major == 5)
            code = minor == 0 ? 5 : minor == 1 ? 6 : minor == 2 ? 7 : 0;
        else if (major == 6)
            code = minor == 0 ? 9 : minor == 1 ? 8 : 0;
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && major == 4) {
        code = minor < 10 ? 1 : minor < 90 ? 2 : 3; // 95, 98, Me
    }
    return true;
}
