#include "sysfile/good_copy_replacement.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/run_flags.h"
#include "journal/change_journal.h"
#include "journal/journal_line.h"
#include "common/md5.h"
#include "common/unique_resource.h"
#include "sysfile/digest_text.h"
#include "sysfile/file_server.h"
#include "sysfile/good_copy_download.h"

namespace {

// The copy's content must be on the disk before the rename is: a power cut
// right after the rename could otherwise leave a system file of zeros.
bool FlushToDisk(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

// The staged copy is the run's own, recorded as made: removing it puts the
// folder back as the journal found it.
Replacement Abandon(const std::wstring& staged) {
    DeleteFileW(staged.c_str());
    return Replacement::NotPlaced;
}

Replacement PutInPlace(const std::wstring& staged, const std::wstring& target) {
    if (!FlushToDisk(staged))
        return Abandon(staged);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // A folder that carries a system file's name cannot be kept in the
    // journal, so it cannot be put back either: it is left alone.
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return Abandon(staged);
    // The journal keeps the attributes with the copy of the old file, so
    // clearing read-only here comes back with it.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    // One rename on one volume: the target is never missing in between.
    if (JournaledMoveFile(staged, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Replacement::Done;
    if (GetLastError() != ERROR_CANNOT_MAKE &&
        GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        JournaledMoveFile(staged, target,
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        RequireRestart();
        return Replacement::AtNextStart;
    }
    if (exists)
        SetFileAttributesW(target.c_str(), attributes);
    return Abandon(staged);
}

// Where the good copy is downloaded to: its digest name in the target's
// folder. A copy already there waits for a move at the next start (for another
// file of the same content, or from an earlier run): taking it would leave
// that move without its source, so the new copy gets a numbered name instead.
// Empty when every name is taken.
std::wstring FreeStagingPath(const std::wstring& folder, const std::wstring& digest) {
    constexpr int kNumberedNames = 100;
    std::wstring path = folder + digest;
    for (int number = 1; GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++number) {
        if (number > kNumberedNames)
            return {};
        path = folder + digest + L"." + std::to_wstring(number);
    }
    return path;
}

} // namespace

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

Replacement ReplaceWithGoodCopy(const std::wstring& edition, const std::wstring& target,
                                const std::wstring& digest) {
    const std::wstring folder = FolderOf(target);
    if (folder.empty() || digest.empty())
        return Replacement::NotDone;
    const std::wstring staged = FreeStagingPath(folder, digest);
    const std::optional<std::vector<unsigned char>> digestBytes = BytesOfHex(digest);
    Digest good = {};
    if (staged.empty() || !digestBytes || digestBytes->size() != good.size())
        return Replacement::NotDone;
    std::copy(digestBytes->begin(), digestBytes->end(), good.begin());
    // The download creates a file in a system folder: recorded before it is made.
    if (!RecordFileWrite(staged, good) ||
        !DownloadVerified(GoodCopyUrl(edition, digest), staged, digest))
        return Replacement::NotDone;
    return PutInPlace(staged, target);
}
