#include "sysfile/file_version.h"

#include <windows.h>

#include <cwchar>
#include <new>
#include <vector>

#include "common/later_windows.h"
#include "common/proc_address.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "common/windows_version.h"

namespace {

using SizeFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// A version resource is at most 64 KB (its length is a 16-bit field); what
// the version functions ask to allocate comes from the file, which may claim
// gigabytes.
constexpr DWORD kVersionBlockLimit = 1 << 20;

// version.dll is no KnownDLL: loaded by name, a copy beside the program
// would run with its rights. Loaded once, from the system directory, by full
// path, and kept for the rest of the process. From Vista on the Ex functions
// are used; they do not exist on XP.
struct VersionFunctions {
    SizeFunction size = nullptr;
    InfoFunction info = nullptr;
    later_windows::GetFileVersionInfoSizeExWFn sizeEx = nullptr;
    later_windows::GetFileVersionInfoExWFn infoEx = nullptr;
    QueryFunction query = nullptr;
};

const VersionFunctions& Version() {
    static const VersionFunctions functions = [] {
        VersionFunctions loaded;
        const std::wstring systemDirectory = SystemDirectoryWithSlash();
        const HMODULE library = systemDirectory.empty()
                                    ? nullptr
                                    : LoadLibraryExW((systemDirectory + L"version.dll").c_str(),
                                                     nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!library)
            return loaded;
        loaded.size = ProcAddress<SizeFunction>(library, "GetFileVersionInfoSizeW");
        loaded.info = ProcAddress<InfoFunction>(library, "GetFileVersionInfoW");
        loaded.sizeEx = later_windows::GetFileVersionInfoSizeExW();
        loaded.infoEx = later_windows::GetFileVersionInfoExW();
        loaded.query = ProcAddress<QueryFunction>(library, "VerQueryValueW");
        return loaded;
    }();
    return functions;
}

bool AllocateBlock(DWORD size, std::vector<unsigned char>& block) {
    if (size == 0 || size > kVersionBlockLimit)
        return false;
    try {
        block.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The version block of PATH.
bool ReadVersionBlock(const std::wstring& path, std::vector<unsigned char>& block) {
    const VersionFunctions& version = Version();
    DWORD handle = 0;
    // Vista and later always have the Ex functions; without them (XP) the
    // plain ones read the file itself, there being no language redirection.
    if (WindowsMajorVersion() < 6 || !version.sizeEx || !version.infoEx) {
        if (!version.size || !version.info)
            return false;
        const DWORD size = version.size(path.c_str(), &handle);
        return AllocateBlock(size, block) &&
               version.info(path.c_str(), 0, size, block.data()) != FALSE;
    }
    const DWORD size = version.sizeEx(0, path.c_str(), &handle);
    return AllocateBlock(size, block) &&
           version.infoEx(0, path.c_str(), 0, size, block.data()) != FALSE;
}

// A value inside the block, with its reported length and the bytes from it to
// the end of the block; null when it is missing or lies outside the block.
const void* QueryValue(const std::vector<unsigned char>& block, const wchar_t* name, UINT& length,
                       size_t& bytesLeft) {
    void* value = nullptr;
    length = 0;
    bytesLeft = 0;
    const QueryFunction query = Version().query;
    if (!query || !query(block.data(), name, &value, &length) || !value)
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
