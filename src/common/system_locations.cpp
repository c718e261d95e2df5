#include "common/system_locations.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>

#include "common/proc_address.h"
#include "common/registry.h"

namespace {

constexpr int kOsWow6432 = 30;              // the 32-bit-on-64-bit query
constexpr WORD kIsOsOrdinal = 437;          // shlwapi's operating-system feature test
constexpr DWORD kErrorOldWinVersion = 1150; // ERROR_OLD_WIN_VERSION

void DropTrailingBackslash(wchar_t* path) {
    const size_t length = std::wcslen(path);
    if (length > 1 && path[length - 1] == L'\\')
        path[length - 1] = L'\0';
}

// Copies TEXT when it fits a MAX_PATH buffer; otherwise leaves it empty.
void CopyPath(wchar_t* buffer, const std::wstring& text) {
    buffer[0] = L'\0';
    if (text.size() < MAX_PATH)
        std::wcscpy(buffer, text.c_str());
}

BOOL QueryWow64() {
    using IsOsFunction = BOOL(WINAPI*)(DWORD);
    HMODULE shlwapi = GetModuleHandleW(L"shlwapi.dll");
    HMODULE loaded = nullptr;
    if (shlwapi == nullptr) {
        // By full path: a bare name is looked for in the program's folder first.
        wchar_t path[MAX_PATH];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length != 0 && length < MAX_PATH - 12 && lstrcatW(path, L"\\shlwapi.dll"))
            shlwapi = loaded = LoadLibraryW(path);
    }
    if (shlwapi == nullptr) {
        SetLastError(kErrorOldWinVersion);
        return FALSE;
    }
    SetLastError(0);
    const auto isOs = ProcAddress<IsOsFunction>(shlwapi, MAKEINTRESOURCEA(kIsOsOrdinal));
    const BOOL wow64 = isOs != nullptr && isOs(kOsWow6432);
    if (loaded != nullptr)
        FreeLibrary(loaded);
    return wow64;
}

// After a call that reported LENGTH characters: a failed or cut path is none.
void KeepIfWhole(DWORD length, wchar_t* path) {
    if (length == 0 || length >= MAX_PATH)
        path[0] = L'\0';
}

void ReadProgramFiles(wchar_t* folder) {
    std::wstring value;
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                KEY_QUERY_VALUE, key) == ERROR_SUCCESS &&
        ReadString(key.get(), L"ProgramFilesDir", MAX_PATH, value) == ERROR_SUCCESS &&
        !value.empty()) {
        CopyPath(folder, value);
        DropTrailingBackslash(folder);
    } else {
        // The shell's answer, never the environment's: an elevated process
        // inherits the user's, and the user may have set ProgramFiles there.
        ReadShellFolder(CSIDL_PROGRAM_FILES, folder);
    }
}

SystemLocations ReadSystemLocations() {
    SystemLocations locations = {};
    locations.module = GetModuleHandleW(nullptr);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version)) {
        locations.osMajorVersion = version.dwMajorVersion;
        locations.osMinorVersion = version.dwMinorVersion;
    }
    locations.wow64 = QueryWow64();
    KeepIfWhole(GetModuleFileNameW(locations.module, locations.modulePath, MAX_PATH),
                locations.modulePath);
    std::wcscpy(locations.moduleDirectory, locations.modulePath);
    if (locations.moduleDirectory[0] != L'\0')
        PathRemoveFileSpecW(locations.moduleDirectory);
    ReadProgramFiles(locations.programFiles);
    KeepIfWhole(GetSystemDirectoryW(locations.systemDirectory, MAX_PATH),
                locations.systemDirectory);
    KeepIfWhole(GetWindowsDirectoryW(locations.windowsDirectory, MAX_PATH),
                locations.windowsDirectory);
    ReadShellFolder(CSIDL_COMMON_APPDATA, locations.commonAppData);
    ReadShellFolder(CSIDL_APPDATA, locations.appData);
    return locations;
}

// A folder read on its first request and kept once known.
const wchar_t* LazyShellFolder(int csidl, wchar_t* folder) {
    if (folder[0] == L'\0')
        ReadShellFolder(csidl, folder);
    return folder;
}

} // namespace

bool ReadShellFolder(int csidl, wchar_t* folder) {
    folder[0] = L'\0';
    if (!SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE)) {
        folder[0] = L'\0';
        return false;
    }
    folder[MAX_PATH - 1] = L'\0';
    DropTrailingBackslash(folder);
    return folder[0] != L'\0';
}

const SystemLocations& TheSystemLocations() {
    static const SystemLocations locations = ReadSystemLocations();
    return locations;
}

const wchar_t* DesktopDirectory() {
    static wchar_t folder[MAX_PATH];
    return LazyShellFolder(CSIDL_DESKTOPDIRECTORY, folder);
}

const wchar_t* CommonDesktopDirectory() {
    static wchar_t folder[MAX_PATH];
    return LazyShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY, folder);
}
