#include "common/trusted_writers.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/link_safe_file.h"
#include "common/unique_resource.h"

namespace {

// The service that owns the system's own files on Windows Vista and later
// (NT SERVICE\TrustedInstaller); Windows XP has no such account.
constexpr wchar_t kTrustedInstallerSid[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(buffer);
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

bool IsTrustedInstaller(PSID sid) {
    PSID raw = nullptr;
    if (!ConvertStringSidToSidW(kTrustedInstallerSid, &raw))
        return false;
    UniqueLocal owned(raw);
    return EqualSid(sid, raw) != FALSE;
}

// The owner a folder made by this process with the Administrators group as
// its owner really gets; empty when that is the group itself, as on Windows.
// A system that keeps no owners of its own (Wine reports the account that
// runs it for every file) gives its account: on such a system no other
// account can own a file either. Measured once, in a new folder of a unique
// name beside the tool's, held open from its creation until it is removed.
const std::vector<unsigned char>& OwnerOfOwnFolders() {
    static const std::vector<unsigned char> owner = [] {
        std::vector<unsigned char> sid;
        wchar_t commonData[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                    commonData)))
            return sid;
        PSECURITY_DESCRIPTOR raw = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kOwnFolderOwnerSddl,
                                                                  SDDL_REVISION_1, &raw, nullptr))
            return sid;
        UniqueLocal descriptor(raw);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), raw, FALSE};
        for (unsigned attempt = 0; attempt < 16; ++attempt) {
            const std::wstring probe = std::wstring(commonData) + L"\\quillanTools-owner-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(GetTickCount()) + L"-" +
                                       std::to_wstring(attempt);
            if (!CreateDirectoryW(probe.c_str(), &attributes))
                continue;
            UniqueFile folder(CreateFileW(
                probe.c_str(), READ_CONTROL | DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!folder || !HandleIsAt(folder.get(), probe))
                return sid;
            PSID created = nullptr;
            PSECURITY_DESCRIPTOR found = nullptr;
            if (GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &created,
                                nullptr, nullptr, nullptr, &found) == ERROR_SUCCESS) {
                UniqueLocal foundDescriptor(found);
                if (created != nullptr && IsValidSid(created) &&
                    !IsWellKnown(created, WinBuiltinAdministratorsSid)) {
                    const auto* bytes = static_cast<const unsigned char*>(created);
                    sid.assign(bytes, bytes + GetLengthSid(created));
                }
            }
            DeleteByHandle(folder.get());
            return sid;
        }
        return sid;
    }();
    return owner;
}

} // namespace

bool IsSystemAdministratorsOrTrustedInstaller(PSID sid) {
    return sid != nullptr && IsValidSid(sid) &&
           (IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid) ||
            IsTrustedInstaller(sid));
}

bool IsTrustedAccount(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid))
        return false;
    if (IsSystemAdministratorsOrTrustedInstaller(sid))
        return true;
    const std::vector<unsigned char>& own = OwnerOfOwnFolders();
    return !own.empty() && EqualSid(sid, const_cast<unsigned char*>(own.data()));
}
bool OnlyTrustedMayChange(PSID owner, const ACL* dacl, bool (*trusted)(PSID)) {
    if (!owner || !dacl || !trusted(owner))
        return false;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), index, &ace))
            return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &allowed->SidStart;
        if ((allowed->Mask & kChangingRights) && !trusted(sid) &&
            !IsWellKnown(sid, WinCreatorOwnerSid))
            return false;
    }
    return true;
}
