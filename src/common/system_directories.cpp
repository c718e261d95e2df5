#include "common/system_directories.h"

#include <windows.h>

std::wstring WithTrailingSlash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring SystemDirectoryWithSlash() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return WithTrailingSlash(buffer);
}

std::wstring WindowsDirectoryWithSlash() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return WithTrailingSlash(buffer);
}
