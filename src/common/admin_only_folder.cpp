#include "common/admin_only_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "common/trusted_writers.h"
#include "common/unique_resource.h"

namespace {

constexpr wchar_t kAdminOnlySddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

bool IsLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ||
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool HasOneName(const std::wstring& path) {
    UniqueFile file(
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!file || !GetFileInformationByHandle(file.get(), &information))
        return false;
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
           information.nNumberOfLinks <= 1;
}

} // namespace

bool MakeAdminOnlyFolder(const std::wstring& folder) {
    UniqueLocal descriptor;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlySddl, SDDL_REVISION_1, &raw,
                                                              nullptr))
        return false;
    descriptor.reset(raw);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), raw, FALSE};
    if (CreateDirectoryW(folder.c_str(), &attributes))
        return !IsLink(folder);
    if (GetLastError() != ERROR_ALREADY_EXISTS || IsLink(folder))
        return false;
    // Someone may have made the folder before us: it becomes ours.
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    if (!GetSecurityDescriptorOwner(raw, &owner, &defaulted) || owner == nullptr ||
        !GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted))
        return false;
    std::wstring name = folder;
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 owner, nullptr, dacl, nullptr) == ERROR_SUCCESS &&
           IsAdminOnly(folder);
}

bool IsAdminOnly(const std::wstring& path) {
    if (IsLink(path) || !HasOneName(path))
        return false;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    std::wstring name = path;
    if (GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &raw) != ERROR_SUCCESS)
        return false;
    UniqueLocal descriptor(raw);
    return OnlyTrustedMayChange(owner, dacl, IsTrustedAccount);
}
