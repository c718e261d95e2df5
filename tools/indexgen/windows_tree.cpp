#include "windows_tree.h"

#include <windows.h>

#include "common/unique_resource.h"

namespace {

void Walk(const std::wstring& root, const std::wstring& relative,
          std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW entry = {};
    UniqueFind find(FindFirstFileW((root + relative + L"*").c_str(), &entry));
    if (!find)
        return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                Walk(root, relative + name + L"\\", files);
        } else {
            files.push_back(relative + name);
        }
    } while (FindNextFileW(find.get(), &entry));
}

} // namespace

std::vector<std::wstring> FilesBelow(const std::wstring& root) {
    std::vector<std::wstring> files;
    Walk(root, L"", files);
    return files;
}
