#include "common/path_others_may_change.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "common/trusted_writers.h"
#include "common/unique_resource.h"

namespace {

constexpr wchar_t kLocalDevicePrefix[] = L"\\\\?\\";
// NT SERVICE\TrustedInstaller, which owns the system's own folders.
constexpr wchar_t kTrustedInstallerSid[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(buffer);
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

bool IsTrustedInstaller(PSID sid) {
    PSID trustedInstaller = nullptr;
    if (!ConvertStringSidToSidW(kTrustedInstallerSid, &trustedInstaller))
        return false;
    UniqueLocal owned(trustedInstaller);
    return EqualSid(sid, trustedInstaller) != FALSE;
}

// Not the account this process runs as: its unelevated half is the user.
bool IsMachineTrusted(PSID sid) {
    return sid != nullptr && IsValidSid(sid) &&
           (IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid) ||
            IsTrustedInstaller(sid));
}

bool OthersMayChangeFolder(const std::wstring& folder) {
    UniqueFile handle(
        CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!handle || !GetFileInformationByHandle(handle.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(handle.get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &raw) != ERROR_SUCCESS)
        return true;
    UniqueLocal descriptor(raw);
    return !OnlyTrustedMayChange(owner, dacl, IsMachineTrusted);
}

} // namespace

bool OthersMayChangeFoldersAlong(const std::wstring& path) {
    std::wstring plain = path.compare(0, 4, kLocalDevicePrefix) == 0 ? path.substr(4) : path;
    if (plain.size() < 4 || plain[1] != L':' || plain[2] != L'\\')
        return true;
    const size_t last = plain.rfind(L'\\');
    // Every folder from the one below the drive's root to the file's own.
    for (size_t slash = plain.find(L'\\', 3); slash != std::wstring::npos && slash <= last;
         slash = plain.find(L'\\', slash + 1)) {
        if (OthersMayChangeFolder(kLocalDevicePrefix + plain.substr(0, slash)))
            return true;
    }
    return false;
}
