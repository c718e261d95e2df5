#include "sysfile/bin_resource_file.h"

#include "common/unique_resource.h"

bool WriteBinResourceToFile(WORD id, const std::wstring& path) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"BIN");
    if (resource == nullptr)
        return false;
    const DWORD size = SizeofResource(nullptr, resource);
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return false;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_ALL, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
}
