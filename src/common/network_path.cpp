#include "common/network_path.h"

#include <windows.h>

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

} // namespace

bool IsNetworkPath(const std::wstring& path) {
    std::wstring rest = path;
    if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1])) {
        // "\\?\C:\" and "\\.\C:\" name a local drive; any other such path is
        // a share or a device that may lead to one.
        if (rest.size() >= 6 && (rest[2] == L'?' || rest[2] == L'.') && IsSeparator(rest[3]) &&
            IsDriveLetter(rest[4]) && rest[5] == L':')
            rest = rest.substr(4);
        else
            return true;
    }
    if (rest.size() < 2 || !IsDriveLetter(rest[0]) || rest[1] != L':')
        return false;
    const wchar_t root[] = {rest[0], L':', L'\\', L'\0'};
    return GetDriveTypeW(root) == DRIVE_REMOTE;
}
