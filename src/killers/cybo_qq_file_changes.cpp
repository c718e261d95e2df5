#include "killers/cybo_qq_file_changes.h"

#include <windows.h>

#include <string>

#include "common/unique_resource.h"

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
    bool written = false;
    {
        // CREATE_NEW: a link planted under the work file's name since it was
        // deleted must not make this elevated write land in another file.
        UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD done = 0;
        written = WriteFile(file.get(), bytes, length, &done, nullptr) && done == length;
    }
    if (!written)
        DeleteFileW(path);
    return written;
}

void ClearFileAttributes(const wchar_t* path) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
}

bool RemoveFile(const wchar_t* path) {
    return DeleteFileW(path) != FALSE;
}

bool ReplaceFileWith(const wchar_t* from, const wchar_t* to) {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool RenameFile(const wchar_t* from, const wchar_t* to) {
    if (!RenameFailureSource().empty() && _wcsicmp(RenameFailureSource().c_str(), from) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExW(from, to, 0) != FALSE;
}

bool RemoveFileAtRestart(const wchar_t* path) {
    return MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}
