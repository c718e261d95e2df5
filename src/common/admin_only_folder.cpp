#include "common/admin_only_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "common/tool_folder.h"
#include "common/unique_resource.h"

namespace {

// The owner is left to the creating process: see DefaultOwnerOfThisProcess.
constexpr wchar_t kAdminOnlySddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Every right that changes an object, its contents or who may reach it.
constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                        FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE |
                                        WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

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

bool IsTrusted(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid))
        return false;
    if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid))
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
    // No DACL at all grants everyone everything.
    if (!IsTrusted(owner) || dacl == nullptr)
        return false;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(dacl, index, &ace))
            return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false; // object or callback entries: not ours, so not trusted
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kChangingRights) && !IsTrusted(const_cast<DWORD*>(&allowed->SidStart)))
            return false;
    }
    return true;
}
