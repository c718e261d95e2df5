#include "killers/checked_file.h"

#include "common/link_safe_file.h"
#include "killers/error_mode_guard.h"

UniqueFile OpenCheckedFile(const std::wstring& path, DWORD access, DWORD share) {
    ErrorModeGuard quiet;
    UniqueFile file(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return {};
    if (!IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), path)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return {};
    }
    return file;
}

bool SameFile(HANDLE first, HANDLE second) {
    BY_HANDLE_FILE_INFORMATION a = {};
    BY_HANDLE_FILE_INFORMATION b = {};
    return GetFileInformationByHandle(first, &a) && GetFileInformationByHandle(second, &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

UniqueFile HoldFolder(const std::wstring& folder) {
    ErrorModeGuard quiet;
    UniqueFile held(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!held || !GetFileInformationByHandle(held.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !HandleIsAt(held.get(), folder))
        return {};
    return held;
}
