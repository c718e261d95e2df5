#include "common/windows_version.h"

#include <atomic>

#include "common/later_windows.h"

namespace {

std::atomic<bool> pretendWow64{false};

} // namespace

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
    if (pretendWow64.load())
        return true;
    // Windows XP before SP2 has no such call, and no 64-bit edition to run on.
    const auto isWow64Process = later_windows::IsWow64Process();
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

void PretendWow64() {
    pretendWow64.store(true);
}
