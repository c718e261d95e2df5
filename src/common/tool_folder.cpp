#include "common/tool_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "common/link_safe_file.h"
#include "common/trusted_writers.h"
#include "common/unique_resource.h"

namespace {

// Administrators and SYSTEM may do everything, users may read, nobody else
// anything; not inherited from the parent, where users may create files.
constexpr wchar_t kToolFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Owned by an administrator or SYSTEM, and writable by nobody else (files
// created inside are their creator's own, so that entry may stay).
bool OnlyAdministratorsMayWrite(HANDLE folder) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    UniqueLocal descriptor;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &raw) != ERROR_SUCCESS)
        return false;
    descriptor.reset(raw);
    return OnlyTrustedMayChange(owner, dacl, IsTrustedAccount);
}

// A plain file of one name, or a folder (the change journal keeps its own
// there), reached through no link.
bool EntryIsDirect(const std::wstring& path, bool folder) {
    UniqueFile entry(
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry || !HandleIsAt(entry.get(), path))
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    return folder ? GetFileInformationByHandle(entry.get(), &info) &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                  : IsSingleNamePlainFile(entry.get());
}

bool EntriesAreDirect(const std::wstring& folder) {
    WIN32_FIND_DATAW found = {};
    UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !EntryIsDirect(folder + L"\\" + name,
                           (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0))
            return false;
    } while (FindNextFileW(find.get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool IsTrustedFolder(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    UniqueFile handle(
        CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return handle && HandleIsAt(handle.get(), folder) && OnlyAdministratorsMayWrite(handle.get()) &&
           EntriesAreDirect(folder);
}

// Keeps what was there (it may be an earlier version's folder with its log)
// under the first free numbered name beside it.
bool MoveAside(const std::wstring& folder) {
    for (int number = 1; number <= 100; ++number) {
        const std::wstring aside = folder + L".untrusted" + std::to_wstring(number);
        if (GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        return MoveFileExW(folder.c_str(), aside.c_str(), 0) != FALSE;
    }
    return false;
}

// Frees the folder's name without acting on anything a link there leads to.
// What is really there is moved aside; a link is removed as a link, which
// RemoveDirectoryW does for a junction and refuses for anything else (a
// rename or delete through some links reaches the file they name).
bool FreeTheName(const std::wstring& folder) {
    UniqueFile there(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const bool reachedDirectly = there && HandleIsAt(there.get(), folder);
    there.reset();
    if (reachedDirectly)
        return MoveAside(folder);
    RemoveDirectoryW(folder.c_str());
    return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool CreateTrustedFolder(const std::wstring& folder) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kToolFolderSddl, SDDL_REVISION_1,
                                                              &raw, nullptr))
        return false;
    UniqueLocal descriptor(raw);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), raw, FALSE};
    return CreateDirectoryW(folder.c_str(), &attributes) != FALSE;
}

} // namespace

void CreateDirectoriesAlong(const std::wstring& path) {
    for (size_t slash = path.find(L'\\'); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1)) {
        if (slash == 0)
            continue;
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    }
}

bool PrepareToolFolder(const std::wstring& folder) {
    // A few rounds: someone may put a new impostor in place between the
    // move and the creation.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            CreateTrustedFolder(folder);
        else if (IsTrustedFolder(folder))
            return true;
        else if (!FreeTheName(folder))
            return false;
    }
    return IsTrustedFolder(folder);
}

std::wstring ToolDataFile(const wchar_t* name, bool createFolders) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        folder[0] == L'\0')
        return {};
    std::wstring path = folder;
    if (path.back() != L'\\')
        path += L'\\';
    if (createFolders) {
        CreateDirectoriesAlong(path);
        if (!PrepareToolFolder(path + L"quillanTools"))
            return {};
    }
    return path + L"quillanTools\\" + name;
}
