#include "sysfile/good_copy_replacement.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/run_flags.h"
#include "common/md5.h"
#include "common/unique_resource.h"
#include "sysfile/digest_text.h"
#include "sysfile/file_server.h"
#include "sysfile/good_copy_download.h"

namespace {

constexpr FILEOP_FLAGS kSilentDelete =
    FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// A folder that carries a system file's name is no system file: it goes,
// with everything in it.
void RemoveFolderNamed(const std::wstring& target) {
    std::wstring from = target;
    while (!from.empty() && from.back() == L'\\')
        from.pop_back();
    from.push_back(L'\0'); // the shell takes a list ended by an empty name
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = kSilentDelete;
    SHFileOperationW(&operation);
    RemoveDirectoryW(target.c_str());
}

// The copy's content must be on the disk before the rename is: a power cut
// right after the rename could otherwise leave a system file of zeros.
bool FlushToDisk(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

Replacement PutInPlace(const std::wstring& staged, const std::wstring& target) {
    if (!FlushToDisk(staged)) {
        DeleteFileW(staged.c_str());
        return Replacement::NotDone;
    }
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        RemoveFolderNamed(target);
    else if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    // One rename on one volume: the target is never missing in between.
    if (MoveFileExW(staged.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Replacement::Done;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        MoveFileExW(staged.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        RequireRestart();
        return Replacement::AtNextStart;
    }
    if (exists && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        SetFileAttributesW(target.c_str(), attributes);
    DeleteFileW(staged.c_str());
    return Replacement::NotDone;
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
    if (staged.empty() || !DownloadVerified(GoodCopyUrl(edition, digest), staged, digest))
        return Replacement::NotDone;
    return PutInPlace(staged, target);
}
