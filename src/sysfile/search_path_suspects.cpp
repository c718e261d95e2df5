#include "sysfile/search_path_suspects.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "journal/change_journal.h"
#include "common/link_safe_file.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "common/windows_version.h"
#include "sysfile/file_age.h"
#include "sysfile/muicache_key.h"
#include "sysfile/pe_image.h"
#include "sysfile/system_file_lists.h"

namespace {

constexpr DWORD kValueNameChars = 16383;
constexpr DWORD kLongPathChars = 512;
constexpr wchar_t kLocalDevicePrefix[] = L"\\\\?\\";

// Only A to Z: the stored form must not depend on the user's locale.
void LowerAscii(std::wstring& text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
}

// The folder of a program named by a MUICache value ("X:\...\"), lower-cased,
// or empty when the name is no drive-letter path.
std::wstring ProgramFolder(const std::wstring& valueName) {
    if (valueName.size() < 3 || valueName[1] != L':' || valueName[2] != L'\\')
        return {};
    std::wstring folder = valueName.substr(0, valueName.rfind(L'\\') + 1);
    CharLowerBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    return folder;
}

// The long, lower-cased form of an existing probe path; the probe itself when
// the long form cannot be had within the buffer.
std::wstring StoredSuspectPath(const std::wstring& probe) {
    std::vector<wchar_t> buffer(kLongPathChars, L'\0');
    const DWORD length = GetLongPathNameW(probe.c_str(), buffer.data(), kLongPathChars);
    std::wstring path =
        length > 0 && length < kLongPathChars ? std::wstring(buffer.data(), length) : probe;
    LowerAscii(path);
    return path;
}

// The stored form of the file PROBE reaches, every link on the way resolved:
// a folder the user made may be a link into the system's own folders. Empty
// when where it leads cannot be told.
std::wstring RealSuspectPath(const std::wstring& probe) {
    UniqueFile file(CreateFileW(probe.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    const std::wstring real = file ? FinalPathOf(file.get()) : std::wstring();
    if (real.empty())
        return NoReparsePointAlong(probe) ? StoredSuspectPath(probe) : std::wstring();
    std::wstring path = kLocalDevicePrefix + real;
    LowerAscii(path);
    return path;
}

bool IsSuspect(const std::wstring& path) {
    if (!IsPeImage(path))
        return true;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return true;
    return CreatedWithin(file.get(), kRecentFileSeconds);
}

bool AddSuspectsInFolder(const std::wstring& folder, InjectSuspectSet& suspects) {
    bool found = false;
    for (const wchar_t* name : SystemFileNames) {
        const std::wstring probe = kLocalDevicePrefix + folder + name;
        if (GetFileAttributesW(probe.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        std::wstring path = RealSuspectPath(probe);
        // The system's own files are never suspects, whatever path led there.
        if (path.empty() || LiesInSystemFolders(path))
            continue;
        if (IsSuspect(path)) {
            suspects.insert(std::move(path));
            found = true;
        }
    }
    return found;
}

} // namespace

bool LiesInSystemFolders(const std::wstring& path) {
    for (std::wstring folder : {WindowsDirectoryWithSlash(), SystemDirectoryWithSlash()}) {
        LowerAscii(folder);
        if (folder.empty() || path.compare(0, 4 + folder.size(), kLocalDevicePrefix + folder) == 0)
            return true;
    }
    return false;
}

bool FindSearchPathSuspects(InjectSuspectSet& suspects) {
    const MuiCacheLocation location = MuiCacheLocationFor(WindowsMajorVersion());
    // Created when missing, as the shell would; a scan that may change
    // nothing finds no key then, and so no suspect.
    UniqueKey key;
    if (JournaledCreateKey({location.root, location.subKey}, KEY_READ, key) != ERROR_SUCCESS)
        return false;
    DWORD valueCount = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &valueCount, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring windowsFolder = WindowsDirectoryWithSlash();
    if (windowsFolder.empty())
        return false;
    LowerAscii(windowsFolder);

    bool found = false;
    std::vector<wchar_t> name(kValueNameChars + 1, L'\0');
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameChars = kValueNameChars + 1;
        if (RegEnumValueW(key.get(), index, name.data(), &nameChars, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            continue;
        // A name is text up to its first NUL: one written through the native
        // API may go on after it, and would cut the probe paths short.
        const std::wstring folder =
            ProgramFolder(std::wstring(name.data(), wcsnlen(name.data(), nameChars)));
        // Everything inside the Windows directory is trusted.
        if (folder.empty() || folder.find(windowsFolder) != std::wstring::npos)
            continue;
        if (AddSuspectsInFolder(folder, suspects))
            found = true;
    }
    return found;
}
