#include "common/path_others_may_change.h"

#include <windows.h>
#include <aclapi.h>

#include "common/trusted_writers.h"
#include "common/unique_resource.h"

namespace {

constexpr wchar_t kLocalDevicePrefix[] = L"\\\\?\\";

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
    // Not the account this process runs as: its unelevated half is the user.
    return !OnlyTrustedMayChange(owner, dacl, IsSystemAdministratorsOrTrustedInstaller);
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
