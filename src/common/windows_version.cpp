#include "common/windows_version.h"

bool QueryWindowsVersion(OSVERSIONINFOEXW& version) {
    version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) != FALSE;
}

DWORD WindowsMajorVersion() {
    OSVERSIONINFOEXW version;
    return QueryWindowsVersion(version) ? version.dwMajorVersion : 0;
}
