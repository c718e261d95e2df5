#include "killers/catalog_paths.h"

#include <windows.h>

#include <climits>

#include "common/network_path.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/error_mode_guard.h"

namespace {

constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kWindowsNtKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kSystemEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// A REG_SZ value under HKEY_LOCAL_MACHINE, which only administrators write.
bool MachineString(const wchar_t* keyPath, const wchar_t* name, std::wstring& value) {
    UniqueKey key;
    DWORD type = REG_NONE;
    return OpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE, key) == ERROR_SUCCESS &&
           ReadString(key.get(), name, catalog::kExpandedPathSize, value, type) == ERROR_SUCCESS &&
           type == REG_SZ && !value.empty();
}

// The Windows directory as the system keeps it: the registry's own SystemRoot,
// or what the system reports.
bool WindowsDirectory(std::wstring& value) {
    if (MachineString(kWindowsNtKey, L"SystemRoot", value))
        return true;
    const std::wstring withSlash = WindowsDirectoryWithSlash();
    if (withSlash.empty())
        return false;
    value = withSlash.substr(0, withSlash.size() - 1);
    return true;
}

std::string ToActiveCodePage(const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, &lossy);
    if (needed <= 0 || lossy)
        return {};
    std::string narrow(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(), needed, nullptr,
                            nullptr) != needed)
        return {};
    return narrow;
}

// What a %NAME% in a catalog path means to the system, never to this
// process's environment: an elevated process inherits the user's, and a
// user's SystemRoot would make a healthy provider look missing. A name the
// system does not define is copied as written; one whose value cannot be
// told (a value that itself holds references, a value too long) fails the
// expansion, and so leaves the catalog alone.
catalog::Lookup SystemValue(const std::string& name, std::string& value) {
    const std::wstring wideName = FromActiveCodePage(name);
    std::wstring text;
    bool defined = false;
    if (lstrcmpiW(wideName.c_str(), L"SystemRoot") == 0 ||
        lstrcmpiW(wideName.c_str(), L"windir") == 0) {
        defined = WindowsDirectory(text);
    } else if (lstrcmpiW(wideName.c_str(), L"SystemDrive") == 0) {
        defined = WindowsDirectory(text) && text.size() >= 2 && text[1] == L':';
        text.resize(2);
    } else if (lstrcmpiW(wideName.c_str(), L"ProgramFiles") == 0) {
        defined = MachineString(kCurrentVersionKey, L"ProgramFilesDir", text);
    } else if (lstrcmpiW(wideName.c_str(), L"CommonProgramFiles") == 0) {
        defined = MachineString(kCurrentVersionKey, L"CommonFilesDir", text);
    } else if (!wideName.empty()) {
        UniqueKey key;
        DWORD type = REG_NONE;
        if (OpenKey(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey, KEY_QUERY_VALUE, key) !=
            ERROR_SUCCESS)
            return catalog::Lookup::Failed;
        const LONG read =
            ReadString(key.get(), wideName.c_str(), catalog::kExpandedPathSize, text, type);
        if (read == ERROR_FILE_NOT_FOUND)
            return catalog::Lookup::Undefined;
        if (read != ERROR_SUCCESS || type != REG_SZ)
            return catalog::Lookup::Failed;
        if (text.empty()) {
            value.clear();
            return catalog::Lookup::Defined;
        }
        defined = true;
    }
    if (!defined)
        return catalog::Lookup::Failed;
    value = ToActiveCodePage(text);
    return value.empty() ? catalog::Lookup::Failed : catalog::Lookup::Defined;
}

// A drive-qualified path: Winsock loads anything else through the loading
// process's own DLL search, which begins in that program's folder.
bool HasDrive(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':';
}

bool IsFileThere(const std::wstring& path) {
    ErrorModeGuard quiet;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::optional<std::string> ExpandPercentVariables(std::string_view text) {
    return catalog::ExpandPercentVariables(text, SystemValue);
}

std::wstring FromActiveCodePage(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed) != needed)
        return {};
    return wide;
}

std::wstring SearchDll(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos || HasDrive(path) ||
        path[0] == L'\\' || path[0] == L'/')
        return {};
    // The system's folders only: never the program's folder, the current
    // folder or a PATH the user may have set.
    for (const std::wstring& folder : {SystemDirectoryWithSlash(), WindowsDirectoryWithSlash()}) {
        if (folder.empty() || folder.size() + path.size() >= MAX_PATH)
            continue;
        const std::wstring candidate = folder + path;
        if (IsFileThere(candidate))
            return candidate;
    }
    return {};
}

catalog::FileProbe ProbeProviderDll(const std::string& libraryPath, std::wstring* foundPath) {
    const std::optional<std::string> expanded = ExpandPercentVariables(libraryPath);
    if (!expanded || expanded->empty())
        return catalog::FileProbe::Failed;
    const std::wstring wide = FromActiveCodePage(*expanded);
    if (wide.empty())
        return catalog::FileProbe::Failed;
    // A provider on a network is never looked at: the look would hand the
    // administrator's credentials to a host someone else chose.
    if (IsNetworkPath(wide))
        return catalog::FileProbe::Failed;
    const std::wstring found = HasDrive(wide) ? wide : SearchDll(wide);
    if (found.empty() || !IsFileThere(found))
        return catalog::FileProbe::Missing;
    if (foundPath)
        *foundPath = found;
    return catalog::FileProbe::Found;
}
