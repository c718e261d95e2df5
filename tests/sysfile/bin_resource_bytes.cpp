#include "sysfile/bin_resource_bytes.h"

std::string BinResourceBytes(HMODULE module, WORD id) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"BIN");
    if (resource == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, resource));
}
