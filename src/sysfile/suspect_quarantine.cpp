#include "sysfile/suspect_quarantine.h"

#include <windows.h>

#include "app/run_flags.h"
#include "app/run_log.h"
#include "common/link_safe_file.h"
#include "common/unique_resource.h"
#include "sysfile/file_age.h"
#include "sysfile/pe_image.h"
#include "sysfile/search_path_suspects.h"

namespace {

constexpr DWORD kCopyChunk = 1 << 16;

// The folder may have been swapped for a link since the check, or the file
// for another: only the file the check would still call a suspect, where
// the check found it, is moved.
bool IsStillASuspect(HANDLE file, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    if (!HandleIsAt(file, path) || LiesInSystemFolders(path))
        return false;
    return !IsPeImageFile(file) || CreatedWithin(file, kRecentFileSeconds);
}

// Copies the content of the open FILE to a new file QUARANTINED.
bool CopyAside(HANDLE file, const std::wstring& quarantined) {
    UniqueFile copy = CreateOwnFile(quarantined);
    LARGE_INTEGER start = {};
    if (!copy || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    char chunk[kCopyChunk];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof(chunk), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(copy.get(), chunk, got, &written, nullptr) || written != got)
            return false;
    }
}

// Whether nothing holds PATH, or what holds it is reached through no link: a
// move over a link could reach the file it names.
bool FreeOrDirect(const std::wstring& path) {
    UniqueFile there(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!there)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    return HandleIsAt(there.get(), path);
}

void Quarantine(const std::wstring& path) {
    // With delete access when the file is not in use; otherwise it is moved
    // at the next start. Nobody may change it while it is looked at.
    constexpr DWORD kFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, kFlags, nullptr));
    const bool deletable = static_cast<bool>(file);
    if (!file)
        file.reset(CreateFileW(path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, kFlags, nullptr));
    if (!file || !IsStillASuspect(file.get(), path))
        return;

    const std::wstring quarantined = path + L".orvix";
    // The file is removed only once its copy exists: a suspect may yet be a
    // genuine file, and a failed copy must not lose it.
    const bool copied = CopyAside(file.get(), quarantined);
    if (!copied || !deletable || !DeleteByHandle(file.get())) {
        if (!FreeOrDirect(quarantined))
            return;
        MoveFileExW(path.c_str(), quarantined.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
        RequireRestart();
    }
    file.reset();
    LogPathLine("Search Path Inject\t", path);
}

} // namespace

void QuarantineSuspects(const InjectSuspectSet& suspects) {
    for (const std::wstring& path : suspects)
        Quarantine(path);
}
