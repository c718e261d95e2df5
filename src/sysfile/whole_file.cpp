#include "sysfile/whole_file.h"

#include <windows.h>

#include <new>

#include "common/unique_resource.h"

bool LoadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes) {
    bytes.clear();
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    // The full size, not only its low half: a file of 4 GB or more would
    // otherwise be read as a short prefix and digested as if it were whole.
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kWholeFileLimit)
        return false;
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    std::vector<unsigned char> content;
    try {
        content.resize(length);
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD got = 0;
    if (!ReadFile(file.get(), content.data(), length, &got, nullptr) || got != length)
        return false;
    bytes.swap(content);
    return true;
}
