#include "app/suite_lookup.h"

#include <windows.h>

#include "common/registry.h"
#include "common/unique_resource.h"

namespace {

constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Orvix";
constexpr wchar_t kInstallPathValue[] = L"Install Path";
constexpr size_t kMaxInstallPathChars = 261; // terminating NUL included
constexpr wchar_t kSuiteExecutable[] = L"\\orvix.exe";

std::wstring suiteExecutablePath;

bool CanOpenForReading(const std::wstring& path) {
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

} // namespace

const std::wstring& SuiteExecutablePath() {
    return suiteExecutablePath;
}

void FindSuiteExecutable() {
    suiteExecutablePath.clear();
    UniqueKey key;
    if (OpenOrCreateKey(HKEY_LOCAL_MACHINE, kSuiteKey,
                        KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, key) != ERROR_SUCCESS)
        return;
    // Used as stored: an unexpanded REG_EXPAND_SZ names no file and so offers
    // the download.
    std::wstring installPath;
    if (ReadString(key.get(), kInstallPathValue, kMaxInstallPathChars, installPath) !=
        ERROR_SUCCESS)
        return;
    const std::wstring path = installPath + kSuiteExecutable;
    if (CanOpenForReading(path))
        suiteExecutablePath = path;
}
