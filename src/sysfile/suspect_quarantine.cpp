#include "sysfile/suspect_quarantine.h"

#include <windows.h>
#include <aclapi.h>

#include <optional>
#include <string>

#include "app/run_flags.h"
#include "app/run_report.h"
#include "app/run_log.h"
#include "app/stop_request.h"
#include "journal/change_journal.h"
#include "common/file_content.h"
#include "common/link_safe_file.h"
#include "common/md5.h"
#include "common/path_others_may_change.h"
#include "common/unique_resource.h"
#include "sysfile/file_age.h"
#include "sysfile/pe_image.h"
#include "sysfile/search_path_suspects.h"

namespace {

// The run log's lines, one per suspect (code page 936 as every line).
constexpr char kQuarantined[] = "Search Path Inject\t";
constexpr char kNotMovedChanged[] = "Search Path Inject not moved, changed since the scan\t";
constexpr char kNotMovedNames[] = "Search Path Inject not moved, more than one name\t";
constexpr char kNotMovedInUse[] = "Search Path Inject not moved, in use\t";
constexpr char kLeftForSecondPass[] = "Search Path Inject left for the pass after the restart\t";

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

// The original's DACL, kept from inheriting anything more: a copy in the
// user's folder would otherwise be readable by whoever may read there.
struct CopySecurity {
    UniqueLocal descriptor;
    SECURITY_DESCRIPTOR absolute = {};
    SECURITY_ATTRIBUTES attributes = {};
};

bool ReadCopySecurity(HANDLE original, CopySecurity& security) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(original, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &dacl, nullptr, &raw) != ERROR_SUCCESS)
        return false;
    security.descriptor.reset(raw);
    if (dacl == nullptr ||
        !InitializeSecurityDescriptor(&security.absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&security.absolute, TRUE, dacl, FALSE) ||
        !SetSecurityDescriptorControl(&security.absolute, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    security.attributes = {sizeof(security.attributes), &security.absolute, FALSE};
    return true;
}

// Writes CONTENT to a new file QUARANTINED, recorded first, readable by no
// more than the original was.
bool CopyAside(const std::string& content, const std::wstring& quarantined, HANDLE original) {
    CopySecurity security;
    Digest digest;
    if (!ReadCopySecurity(original, security) || !Md5Of(content.data(), content.size(), digest) ||
        !RecordFileWrite(quarantined, digest))
        return false;
    UniqueFile copy = CreateOwnFile(quarantined, &security.attributes);
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

void Quarantine(const std::wstring& path) {
    // With delete access when the file is not in use; otherwise it is moved
    // at the next start. Nobody may change it while it is looked at.
    constexpr DWORD kFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN;
    constexpr DWORD kAccess = GENERIC_READ | READ_CONTROL;
    UniqueFile file(CreateFileW(path.c_str(), kAccess | DELETE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, kFlags, nullptr));
    const bool deletable = static_cast<bool>(file);
    if (!file)
        file.reset(CreateFileW(path.c_str(), kAccess,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, kFlags, nullptr));
    if (!file) {
        // Held open by someone who lets nobody read it: found, not repaired.
        const DWORD error = GetLastError();
        LogPathLine(kNotMovedChanged, path);
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            NoteNotRepaired(path, NotRepairedLine::Left);
        return;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!IsStillASuspect(file.get(), path) || !GetFileInformationByHandle(file.get(), &info)) {
        LogPathLine(kNotMovedChanged, path);
        return;
    }
    // Another name of the file may lie anywhere on the volume, in a folder
    // the user cannot read: neither its copy nor its deletion is ours to make.
    if (info.nNumberOfLinks != 1) {
        LogPathLine(kNotMovedNames, path);
        NoteNotRepaired(path, NotRepairedLine::Left);
        return;
    }
    // A move at the next start goes by path, and the user may by then have
    // replaced a folder along it by a link: after the restart the program
    // looks at the file again by handle instead.
    const bool othersMayChange = OthersMayChangeFoldersAlong(path);
    if (!deletable && othersMayChange) {
        if (TheRunFlags().secondPass) {
            LogPathLine(kNotMovedInUse, path);
            NoteNotRepaired(path, NotRepairedLine::Left);
        } else {
            RequireSecondPass();
            LogPathLine(kLeftForSecondPass, path);
        }
        return;
    }
    const std::optional<std::string> content = ContentOfFile(file.get(), kLargestQuarantined);
    if (!content) {
        LogPathLine(kNotMovedChanged, path);
        NoteNotRepaired(path, NotRepairedLine::Left);
        return;
    }

    const std::wstring quarantined = path + L".orvix";
    // The file is removed only once its copy exists: a suspect may yet be a
    // genuine file, and a failed copy must not lose it. Both are in the
    // journal before they happen, so that the user can have them back.
    const bool copied = CopyAside(*content, quarantined, file.get());
    const bool deleted =
        copied && deletable &&
        RecordFileDeletion(path, content->data(), content->size(), info.dwFileAttributes) &&
        DeleteByHandle(file.get());
    file.reset();
    const bool atNextStart =
        !deleted && !othersMayChange && FreeOrDirect(quarantined) &&
        JournaledMoveFile(path, quarantined,
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    if (atNextStart)
        RequireRestart();
    LogPathLine(kQuarantined, path);
    if (!deleted && !atNextStart)
        NoteNotRepaired(path);
}

} // namespace

void QuarantineSuspects(const InjectSuspectSet& suspects) {
    for (const std::wstring& path : suspects) {
        if (StopRequested())
            return;
        Quarantine(path);
    }
}
