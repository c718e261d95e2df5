#include "sysfile/bin_resource_file.h"

#include "common/link_safe_file.h"
#include "common/unique_resource.h"

bool FindBinResource(WORD id, const unsigned char*& bytes, DWORD& size) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"BIN");
    if (resource == nullptr)
        return false;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* locked = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (locked == nullptr)
        return false;
    bytes = static_cast<const unsigned char*>(locked);
    size = SizeofResource(nullptr, resource);
    return true;
}

bool WriteBinResourceToFile(WORD id, const std::wstring& path) {
    const unsigned char* bytes = nullptr;
    DWORD size = 0;
    if (!FindBinResource(id, bytes, size))
        return false;
    UniqueFile file = CreateOwnFile(path);
    if (!file)
        return false;
    DWORD written = 0;
    if (WriteFile(file.get(), bytes, size, &written, nullptr) && written == size)
        return true;
    // No part of a resource stays behind.
    DeleteByHandle(file.get());
    return false;
}
