#include "sysfile/file_age.h"

namespace {

constexpr ULONGLONG kTicksPerSecond = 10000000;

ULONGLONG Ticks(const FILETIME& time) {
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

} // namespace

bool CreatedWithin(HANDLE file, ULONGLONG seconds) {
    FILETIME created = {};
    if (!GetFileTime(file, &created, nullptr, nullptr))
        return false;
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG span = seconds * kTicksPerSecond;
    const ULONGLONG nowTicks = Ticks(now);
    const ULONGLONG threshold = nowTicks > span ? nowTicks - span : 0;
    return Ticks(created) >= threshold;
}
