#include "journal/journal_manifest.h"

#include <windows.h>

#include "common/admin_only_folder.h"
#include "common/file_digest.h"
#include "journal/journal_folder.h"
#include "journal/journal_line.h"
#include "common/unique_resource.h"

namespace {

constexpr LONGLONG kLargestManifest = 64ll << 20;

bool ReadAll(const std::wstring& path, std::string& bytes) {
    // The run that writes the manifest may still hold it open.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestManifest)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
            got == bytes.size());
}

} // namespace

std::optional<JournalManifest> ReadManifest(const std::wstring& folder) {
    std::string bytes;
    if (!ReadAll(folder + kManifestName, bytes))
        return std::nullopt;
    const std::vector<std::vector<std::wstring>> lines = ParseLines(bytes);
    if (lines.size() < 2 || lines[0].size() != 1 || ToUtf8(lines[0][0]) != kManifestHeader ||
        lines[1].size() != 3 || lines[1][0] != L"run")
        return std::nullopt;
    JournalManifest manifest;
    manifest.mode = lines[1][1];
    manifest.start = lines[1][2];
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::vector<std::wstring>& line = lines[i];
        if (line.size() == 7 && line[0] == L"change" && (line[6] == L"yes" || line[6] == L"no")) {
            JournalChange change;
            change.kind = line[1];
            change.target = line[2];
            change.name = line[3];
            change.before = line[4];
            change.after = line[5];
            change.undoable = line[6] == L"yes";
            manifest.changes.push_back(std::move(change));
        } else if (line.size() == 2 && line[0] == L"undone") {
            manifest.undoneBy.push_back(line[1]);
        } else {
            return std::nullopt; // a whole line in no known form: not ours
        }
    }
    return manifest;
}

bool JournalIsTrustworthy(const std::wstring& folder) {
    const std::wstring copies = folder + kCopiesFolder;
    if (!IsAdminOnly(folder) || !IsAdminOnly(folder + kManifestName) || !IsAdminOnly(copies))
        return false;
    WIN32_FIND_DATAW entry = {};
    UniqueFind find(FindFirstFileW((copies + L"\\*").c_str(), &entry));
    if (!find)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            !IsAdminOnly(copies + L"\\" + name))
            return false;
    } while (FindNextFileW(find.get(), &entry));
    return true;
}

std::optional<std::wstring> VerifiedCopy(const std::wstring& folder, const std::wstring& md5) {
    if (md5.size() != 32 || md5.find_first_not_of(L"0123456789abcdef") != std::wstring::npos)
        return std::nullopt;
    const std::wstring copy = folder + kCopiesFolder + L"\\" + md5;
    Digest digest;
    if (!IsAdminOnly(copy) || !DigestOfFile(copy, digest) ||
        HexOf(digest.data(), digest.size()) != md5)
        return std::nullopt;
    return copy;
}

bool MarkUndone(const std::wstring& folder, const std::wstring& undoName) {
    UniqueFile manifest(CreateFileW((folder + kManifestName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER size = {};
    if (!manifest || !GetFileSizeEx(manifest.get(), &size) || size.QuadPart > kLargestManifest)
        return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(manifest.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
        return false;
    LARGE_INTEGER end = {};
    end.QuadPart = static_cast<LONGLONG>(CompleteLinesLength(bytes));
    if (!SetFilePointerEx(manifest.get(), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(manifest.get()))
        return false;
    const std::string line = FormatLine({L"undone", undoName});
    DWORD written = 0;
    return WriteFile(manifest.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                     nullptr) &&
           written == line.size() && FlushFileBuffers(manifest.get());
}

std::optional<UndoCandidate> NewestUndoCandidate(const std::wstring& root, bool notUndone) {
    for (const std::wstring& name : JournalFoldersNewestFirst(root)) {
        const std::wstring folder = root + name + L"\\";
        // A run cut off before its manifest was in place recorded nothing.
        const DWORD attributes = GetFileAttributesW((folder + kManifestName).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            continue;
        const std::optional<JournalManifest> manifest = ReadManifest(folder);
        if (!manifest)
            return UndoCandidate{name, false};
        // Undos are passed over (undoing one would make the repair again), and
        // so are scans, which change nothing.
        if (manifest->mode == L"undo" || manifest->mode == L"scan" || manifest->changes.empty() ||
            (notUndone && !manifest->undoneBy.empty()))
            continue;
        return UndoCandidate{name, true};
    }
    return std::nullopt;
}
