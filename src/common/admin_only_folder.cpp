#include "common/admin_only_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "common/tool_folder.h"
#include "common/trusted_writers.h"
#include "common/unique_resource.h"

namespace {

// The owner is left to the creating process: see DefaultOwnerOfThisProcess.
constexpr wchar_t kAdminOnlySddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The owner that what this process creates actually gets, read from a folder
// it makes for the purpose. An elevated process on Windows Vista and later
// owns by the Administrators group; on Windows XP an administrator's objects
// may be owned by the account itself, which then has no weaker half (there
// is no split token). Wine owns by the account that runs it.
const std::vector<unsigned char>& DefaultOwnerOfThisProcess() {
    static const std::vector<unsigned char> owner = [] {
        std::vector<unsigned char> sid;
        const std::wstring toolFolder = ToolDataFile(L"", true);
        if (toolFolder.empty())
            return sid;
        std::wstring probe;
        for (unsigned attempt = 0; attempt < 16; ++attempt) {
            probe = toolFolder + L"owner-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
            if (CreateDirectoryW(probe.c_str(), nullptr))
                break;
            probe.clear();
        }
        if (probe.empty())
            return sid;
        PSID created = nullptr;
        PSECURITY_DESCRIPTOR raw = nullptr;
        if (GetNamedSecurityInfoW(probe.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                  &created, nullptr, nullptr, nullptr, &raw) == ERROR_SUCCESS) {
            UniqueLocal descriptor(raw);
            if (created != nullptr && IsValidSid(created)) {
                const auto* bytes = static_cast<const unsigned char*>(created);
                sid.assign(bytes, bytes + GetLengthSid(created));
            }
        }
        RemoveDirectoryW(probe.c_str());
        return sid;
    }();
    return owner;
}

// On Windows XP an administrator's objects may be owned by the account, on
// later systems by the Administrators group: whoever this process makes
// owner is trusted too.
bool IsTrusted(PSID sid) {
    if (IsTrustedAccount(sid))
        return true;
    const std::vector<unsigned char>& owner = DefaultOwnerOfThisProcess();
    return !owner.empty() && EqualSid(sid, const_cast<unsigned char*>(owner.data()));
}

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
    std::vector<unsigned char> owner = DefaultOwnerOfThisProcess();
    if (owner.empty() || !GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted))
        return false;
    std::wstring name = folder;
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 owner.data(), nullptr, dacl, nullptr) == ERROR_SUCCESS &&
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
    return OnlyTrustedMayChange(owner, dacl, IsTrusted);
}
