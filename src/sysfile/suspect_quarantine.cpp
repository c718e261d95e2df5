#include "sysfile/suspect_quarantine.h"

#include <windows.h>

#include <optional>
#include <string>

#include "app/run_flags.h"
#include "app/run_report.h"
#include "app/run_log.h"
#include "app/stop_request.h"
#include "journal/change_journal.h"
#include "common/link_safe_file.h"
#include "common/md5.h"
#include "common/unique_resource.h"
#include "sysfile/file_age.h"
#include "sysfile/pe_image.h"
#include "sysfile/search_path_suspects.h"

namespace {

// A planted library is small; anything larger is not read into memory, and
// so not kept in the journal, and so not moved.
constexpr LONGLONG kLargestQuarantined = 64ll << 20;

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

// The whole content of the open FILE.
std::optional<std::string> ContentOf(HANDLE file) {
    LARGE_INTEGER size = {};
    LARGE_INTEGER start = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kLargestQuarantined ||
        !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return std::nullopt;
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!content.empty() &&
        (!ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr) ||
         got != content.size()))
        return std::nullopt;
    return content;
}

// Writes CONTENT to a new file QUARANTINED, recorded first.
bool CopyAside(const std::string& content, const std::wstring& quarantined) {
    Digest digest;
    if (!Md5Of(content.data(), content.size(), digest) || !RecordFileWrite(quarantined, digest))
        return false;
    UniqueFile copy = CreateOwnFile(quarantined);
    DWORD written = 0;
    return copy &&
           (content.empty() || (WriteFile(copy.get(), content.data(),
                                          static_cast<DWORD>(content.size()), &written, nullptr) &&
                                written == content.size()));
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

// The path as the user knows it: as the file system spells it, without the
// "\\?\" prefix the check works with.
std::wstring ShownPath(HANDLE file, const std::wstring& path) {
    const std::wstring final = FinalPathOf(file);
    if (!final.empty())
        return final;
    return path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
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
    if (!file) {
        // Held open by someone who lets nobody read it: found, not repaired.
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            NoteNotRepaired(path);
        return;
    }
    if (!IsStillASuspect(file.get(), path))
        return;
    const std::wstring shown = ShownPath(file.get(), path);
    BY_HANDLE_FILE_INFORMATION info = {};
    const std::optional<std::string> content = ContentOf(file.get());
    if (!content || !GetFileInformationByHandle(file.get(), &info)) {
        NoteNotRepaired(shown);
        return;
    }

    const std::wstring quarantined = path + L".orvix";
    // The file is removed only once its copy exists: a suspect may yet be a
    // genuine file, and a failed copy must not lose it. Both are in the
    // journal before they happen, so that the user can have them back.
    const bool copied = CopyAside(*content, quarantined);
    const bool deleted =
        copied && deletable &&
        RecordFileDeletion(path, content->data(), content->size(), info.dwFileAttributes) &&
        DeleteByHandle(file.get());
    file.reset();
    const bool atNextStart =
        !deleted && FreeOrDirect(quarantined) &&
        JournaledMoveFile(path, quarantined,
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    if (atNextStart)
        RequireRestart();
    LogPathLine("Search Path Inject\t", shown);
    if (!deleted && !atNextStart)
        NoteNotRepaired(shown);
}

} // namespace

void QuarantineSuspects(const InjectSuspectSet& suspects) {
    for (const std::wstring& path : suspects) {
        if (StopRequested())
            return;
        Quarantine(path);
    }
}
