#include "sysfile/index_file.h"

#include <windows.h>

#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "sysfile/edition_table.h"

namespace {

// The index resource's bytes, or nothing (size 0) when it is missing or empty.
const void* IndexResource(int id, DWORD& size) {
    size = 0;
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"bin");
    if (!found)
        return nullptr;
    const HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes)
        size = SizeofResource(module, found);
    return bytes;
}

} // namespace

bool MaterialiseIndex(const std::wstring& key, std::wstring& path) {
    path = ToolDataFile(L"filemender.idx", true);
    const int id = IndexResourceId(key);
    if (id == 0)
        return false;
    if (path.empty())
        return true;
    DWORD size = 0;
    const void* bytes = IndexResource(id, size);
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_ALL, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || size == 0)
        return true;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes, size, &written, nullptr) || written != size) {
        // A part of an index would end every scan early at a false end: empty it.
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
    }
    return true;
}
