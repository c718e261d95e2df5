#include "sysfile/input_method_script.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "common/link_safe_file.h"
#include "common/system_directories.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "sysfile/bin_resource_file.h"

namespace {

constexpr wchar_t kScriptName[] = L"IMEFIX.REG";
constexpr DWORD kImportWaitMs = 60000;

// Opens the script so that nobody can change, replace or delete it while the
// handle is held, and checks that it holds exactly the resource.
UniqueFile OpenVerifiedScript(const std::wstring& path) {
    const unsigned char* expected = nullptr;
    DWORD size = 0;
    if (!FindBinResource(kInputMethodScriptResource, expected, size))
        return {};
    UniqueFile script(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!script || !IsSingleNamePlainFile(script.get()) || !HandleIsAt(script.get(), path))
        return {};
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(script.get(), &length) || length.QuadPart != size)
        return {};
    std::vector<unsigned char> content(size);
    DWORD got = 0;
    if (size > 0 && (!ReadFile(script.get(), content.data(), size, &got, nullptr) || got != size ||
                     std::memcmp(content.data(), expected, size) != 0))
        return {};
    return script;
}

} // namespace

std::wstring InputMethodScriptPath() {
    return ToolDataFile(kScriptName, true);
}

void ImportInputMethodScript() {
    const std::wstring path = InputMethodScriptPath();
    const std::wstring windowsDirectory = WindowsDirectoryWithSlash();
    if (path.empty() || windowsDirectory.empty() ||
        !WriteBinResourceToFile(kInputMethodScriptResource, path))
        return;
    const UniqueFile script = OpenVerifiedScript(path);
    if (!script)
        return;
    // By full path: a "regedit.exe" in the current folder must not be started.
    const std::wstring regedit = windowsDirectory + L"regedit.exe";
    const std::wstring parameters = L"/s \"" + path + L"\"";
    SHELLEXECUTEINFOW start = {};
    start.cbSize = sizeof(start);
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    start.lpFile = regedit.c_str();
    start.lpParameters = parameters.c_str();
    start.nShow = SW_HIDE;
    if (!ShellExecuteExW(&start))
        return;
    UniqueHandle process(start.hProcess);
    if (process)
        WaitForSingleObject(process.get(), kImportWaitMs);
}
