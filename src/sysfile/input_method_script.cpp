#include "sysfile/input_method_script.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "journal/change_journal.h"
#include "common/link_safe_file.h"
#include "common/system_directories.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "sysfile/bin_resource_file.h"

namespace {

constexpr wchar_t kScriptName[] = L"IMEFIX.REG";

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
    // Held open while the journal records what it sets and the registry
    // editor imports it: nobody can change it in between.
    const UniqueFile script = OpenVerifiedScript(path);
    if (!script)
        return;
    (void)JournaledImportRegistryScript(path);
}
