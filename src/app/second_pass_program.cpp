#include "app/second_pass_program.h"

#include <windows.h>

#include <optional>

#include "common/admin_only_folder.h"
#include "common/file_content.h"
#include "common/link_safe_file.h"
#include "common/md5.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "journal/change_journal.h"

namespace {

constexpr wchar_t kProgramCopyName[] = L"filemender.exe";
// The program is far smaller; anything larger is not this program.
constexpr LONGLONG kLargestProgram = 64ll << 20;

// This process's image file, opened as early as the process lets code run
// and kept open without sharing for writing or deleting: from then on the
// file at that name cannot be renamed, replaced or changed.
class OwnImageFile {
public:
    OwnImageFile() {
        wchar_t path[MAX_PATH + 1] = {};
        const DWORD length = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
        if (length == 0 || length >= ARRAYSIZE(path))
            return;
        path_.assign(path, length);
        file_.reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    const std::wstring& Path() const { return path_; }
    HANDLE Handle() const { return file_.get(); }

private:
    std::wstring path_;
    UniqueFile file_;
};

const OwnImageFile ownImage;

// A program file is never empty: an empty one did not read.
std::optional<std::string> ContentOf(HANDLE file) {
    std::optional<std::string> content = ContentOfFile(file, kLargestProgram);
    if (content && content->empty())
        return std::nullopt;
    return content;
}

bool WriteCopy(const std::wstring& path, const std::string& content, const Digest& digest) {
    if (!RecordFileWrite(path, digest))
        return false;
    UniqueFile copy = CreateOwnFile(path);
    DWORD written = 0;
    return copy &&
           WriteFile(copy.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
}

// Whether PATH is a plain file of one name in a folder only administrators
// may change, reached through no link, whose bytes are CONTENT.
bool IsVerifiedCopy(const std::wstring& path, const std::string& content) {
    UniqueFile copy(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!copy || !IsSingleNamePlainFile(copy.get()) || !HandleIsAt(copy.get(), path) ||
        !IsAdminOnly(path) || !IsAdminOnly(path.substr(0, path.rfind(L'\\'))))
        return false;
    const std::optional<std::string> written = ContentOf(copy.get());
    return written && *written == content;
}

} // namespace

std::wstring PrepareSecondPassProgram() {
    const std::optional<std::string> content = ContentOf(ownImage.Handle());
    Digest digest;
    if (!content || !Md5Of(content->data(), content->size(), digest))
        return {};
    const std::wstring copy = ToolDataFile(kProgramCopyName, true);
    if (copy.empty())
        return {};
    // Started from the copy itself, the program cannot rewrite it.
    if (!SamePath(copy, ownImage.Path()) && !WriteCopy(copy, *content, digest))
        return {};
    return IsVerifiedCopy(copy, *content) ? copy : std::wstring();
}
