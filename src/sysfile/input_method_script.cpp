#include "sysfile/input_method_script.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "common/system_directories.h"
#include "sysfile/bin_resource_file.h"

namespace {

constexpr wchar_t kScriptName[] = L"IMEFIX.REG";
constexpr DWORD kTempPathChars = 512;
constexpr DWORD kLongestTempPath = 400;

} // namespace

std::wstring InputMethodScriptPath() {
    std::vector<wchar_t> buffer(kTempPathChars, L'\0');
    const DWORD length = GetTempPathW(kTempPathChars, buffer.data());
    if (length > kLongestTempPath)
        return kScriptName;
    return WithTrailingSlash(std::wstring(buffer.data(), length)) + kScriptName;
}

void ImportInputMethodScript() {
    const std::wstring path = InputMethodScriptPath();
    WriteBinResourceToFile(kInputMethodScriptResource, path);
    const std::wstring parameters = L"/s \"" + path + L"\"";
    ShellExecuteW(nullptr, nullptr, L"regedit.exe", parameters.c_str(), nullptr, SW_HIDE);
}
