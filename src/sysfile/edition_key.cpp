#include "sysfile/edition_key.h"

#include <windows.h>

#include <cwchar>

#include "common/windows_version.h"

std::wstring EditionKey() {
    OSVERSIONINFOEXW version;
    if (!QueryWindowsVersion(version))
        return {};
    const unsigned long language =
        version.dwMajorVersion < 6 ? static_cast<unsigned long>(GetSystemDefaultUILanguage()) : 0;
    wchar_t key[32] = {};
    swprintf(key, ARRAYSIZE(key), L"%02lu%02lu.%02lu%02lu.%04lu",
             static_cast<unsigned long>(version.dwMajorVersion),
             static_cast<unsigned long>(version.dwMinorVersion),
             static_cast<unsigned long>(version.wServicePackMajor), 0ul, language);
    return key;
}
