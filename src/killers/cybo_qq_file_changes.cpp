#include "killers/cybo_qq_file_changes.h"

#include <windows.h>

#include <string>

#include "journal/change_journal.h"
#include "killers/checked_file.h"

namespace {

std::wstring& RenameFailureSource() {
    static std::wstring source;
    return source;
}

} // namespace

void FailRenamesOfForTesting(const wchar_t* source) {
    RenameFailureSource() = source ? source : L"";
}

bool WriteCleanedCopy(const wchar_t* path, const uint8_t* bytes, uint32_t length) {
    return JournaledWriteFile(path, bytes, length);
}

// Recorded before they change, so that undo puts them back; a file reached
// through a link or with a second name (a planted hard link) keeps them.
// Nothing at PATH is nothing to clear.
bool ClearFileAttributes(const wchar_t* path) {
    if (JournaledChangeFileAttributes(path, 0, kUndoneFileAttributes))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool RemoveFile(const wchar_t* path) {
    return JournaledDeleteFile(path);
}

bool ReplaceFileWith(const wchar_t* from, const wchar_t* to) {
    return JournaledMoveFile(from, to, MOVEFILE_REPLACE_EXISTING);
}

bool RenameFile(const wchar_t* from, const wchar_t* to) {
    if (!RenameFailureSource().empty() && _wcsicmp(RenameFailureSource().c_str(), from) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return JournaledMoveFile(from, to, 0);
}

bool RemoveFileAtRestart(const wchar_t* path) {
    return JournaledMoveFile(path, L"", MOVEFILE_DELAY_UNTIL_REBOOT);
}
