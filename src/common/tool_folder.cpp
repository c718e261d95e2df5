#include "common/tool_folder.h"

#include <windows.h>
#include <shlobj.h>

void CreateDirectoriesAlong(const std::wstring& path) {
    for (size_t slash = path.find(L'\\'); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1)) {
        if (slash == 0)
            continue;
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    }
}

std::wstring ToolDataFile(const wchar_t* name, bool createFolders) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        folder[0] == L'\0')
        return {};
    std::wstring path = folder;
    if (path.back() != L'\\')
        path += L'\\';
    path += L"quillanTools\\";
    if (createFolders)
        CreateDirectoriesAlong(path);
    return path + name;
}
