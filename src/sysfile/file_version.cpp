#include "sysfile/file_version.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "common/proc_address.h"
#include "common/unique_resource.h"
#include "common/windows_version.h"

namespace {

using SizeExFunction = DWORD(WINAPI*)(DWORD, LPCWSTR, LPDWORD);
using InfoExFunction = BOOL(WINAPI*)(DWORD, LPCWSTR, DWORD, DWORD, LPVOID);

// The version block of PATH. From Vista on the Ex functions are used; they do
// not exist on XP, so they are looked up at run time.
bool ReadVersionBlock(const std::wstring& path, std::vector<unsigned char>& block) {
    if (WindowsMajorVersion() < 6) {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        if (size == 0)
            return false;
        block.assign(size, 0);
        return GetFileVersionInfoW(path.c_str(), 0, size, block.data()) != FALSE;
    }
    // The library stays loaded for the rest of the process, like the
    // import-linked one would.
    const HMODULE library = LoadLibraryW(L"version.dll");
    if (!library)
        return false;
    const auto sizeEx = ProcAddress<SizeExFunction>(library, "GetFileVersionInfoSizeExW");
    const auto infoEx = ProcAddress<InfoExFunction>(library, "GetFileVersionInfoExW");
    if (!sizeEx || !infoEx)
        return false;
    DWORD handle = 0;
    const DWORD size = sizeEx(0, path.c_str(), &handle);
    if (size == 0)
        return false;
    block.assign(size, 0);
    return infoEx(0, path.c_str(), 0, size, block.data()) != FALSE;
}

// A value inside the block, with its reported length and the bytes from it to
// the end of the block; null when it is missing or lies outside the block.
const void* QueryValue(const std::vector<unsigned char>& block, const wchar_t* name, UINT& length,
                       size_t& bytesLeft) {
    void* value = nullptr;
    length = 0;
    bytesLeft = 0;
    if (!VerQueryValueW(block.data(), name, &value, &length) || !value)
        return nullptr;
    const unsigned char* at = static_cast<const unsigned char*>(value);
    const unsigned char* begin = block.data();
    if (at < begin || at >= begin + block.size())
        return nullptr;
    bytesLeft = block.size() - static_cast<size_t>(at - begin);
    return value;
}

bool IsTrailingSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

} // namespace

bool FileVersionText(const std::wstring& path, const wchar_t* valueName, std::wstring& value) {
    std::vector<unsigned char> block;
    if (!ReadVersionBlock(path, block))
        return false;

    UINT tableLength = 0;
    size_t tableBytesLeft = 0;
    const void* table =
        QueryValue(block, L"\\VarFileInfo\\Translation", tableLength, tableBytesLeft);
    const size_t pairs = (tableLength < tableBytesLeft ? tableLength : tableBytesLeft) / 4;
    // Without a translation there is no FileVersion to name: a failure, so
    // that no caller goes on with a text it held from before.
    if (pairs == 0)
        return false;

    std::wstring text;
    for (size_t i = 0; i < pairs; ++i) {
        const unsigned char* pair = static_cast<const unsigned char*>(table) + i * 4;
        const unsigned language = pair[0] | pair[1] << 8;
        const unsigned codePage = pair[2] | pair[3] << 8;
        wchar_t name[64] = {};
        if (swprintf(name, ARRAYSIZE(name), L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage,
                     valueName) < 0)
            return false;
        UINT length = 0;
        size_t bytesLeft = 0;
        const void* found = QueryValue(block, name, length, bytesLeft);
        text.clear();
        if (found)
            text.assign(static_cast<const wchar_t*>(found),
                        wcsnlen(static_cast<const wchar_t*>(found), bytesLeft / sizeof(wchar_t)));
        while (!text.empty() && IsTrailingSpace(text.back()))
            text.pop_back();
    }
    value = text;
    return true;
}

bool FileVersionString(const std::wstring& path, std::wstring& version) {
    return FileVersionText(path, L"FileVersion", version);
}
