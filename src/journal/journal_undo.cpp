#include "journal/journal_undo.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "common/file_digest.h"
#include "common/link_safe_file.h"
#include "journal/journal_line.h"
#include "journal/journal_manifest.h"
#include "journal/journal_restore.h"
#include "journal/pending_renames.h"
#include "journal/registry_state.h"

namespace {

// The file's state now: "absent" or its digest, "link" or "folder" (neither
// ever as recorded, so a conflict); nothing when it cannot be read.
std::optional<FileStateText> CurrentFile(const std::wstring& path) {
    UniqueFile file;
    switch (OpenWithoutLinks(path, GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, file)) {
    case LinkFreeOpen::Absent:
        return FileStateText{};
    case LinkFreeOpen::Linked:
        return FileStateText{true, L"link", false, 0};
    case LinkFreeOpen::Failed:
        return std::nullopt;
    case LinkFreeOpen::Opened:
        break;
    }
    file.reset();
    Digest digest;
    if (!DigestOfFile(path, digest))
        return std::nullopt;
    return FileStateText{true, HexOf(digest.data(), digest.size()), false, 0};
}

bool SameFile(const FileStateText& a, const FileStateText& b) {
    return a.present == b.present && (!a.present || a.md5 == b.md5);
}

// Puts back the read-only, hidden and system attributes of ATTRIBUTES.
bool PutBackAttributes(const std::wstring& path, unsigned long attributes) {
    return JournaledChangeFileAttributes(path, attributes & kUndoneFileAttributes,
                                         kUndoneFileAttributes & ~attributes);
}

// A move at the next start that is still pending: the file is as it was, and
// taking the move out is the whole undo, unless the file changed since.
UndoOutcome UndoPendingMove(const JournalChange& change, const FileStateText& before) {
    const std::optional<FileStateText> now = CurrentFile(change.target);
    if (!now)
        return UndoOutcome::Failed;
    if (!SameFile(*now, before))
        return UndoOutcome::Conflict;
    return CancelPendingRename(change.target, change.name) ? UndoOutcome::Restored
                                                           : UndoOutcome::Failed;
}

UndoOutcome UndoFile(const JournalChange& change, const std::wstring& folder) {
    const std::optional<FileStateText> before = ParseFileState(change.before);
    const std::optional<FileStateText> after = ParseFileState(change.after);
    if (!before || !after)
        return UndoOutcome::Failed;
    if (change.kind == L"file-next-start") {
        const PendingRename pending = FindPendingRename(change.target, change.name);
        if (pending == PendingRename::Unreadable)
            return UndoOutcome::Failed;
        if (pending == PendingRename::Pending)
            return UndoPendingMove(change, *before);
    }
    const std::optional<FileStateText> now = CurrentFile(change.target);
    if (!now)
        return UndoOutcome::Failed;
    if (SameFile(*now, *before))
        return UndoOutcome::AlreadyAsBefore;
    if (!SameFile(*now, *after))
        return UndoOutcome::Conflict;
    if (!before->present)
        return JournaledDeleteFile(change.target) ? UndoOutcome::Restored : UndoOutcome::Failed;
    const std::optional<std::wstring> copy = VerifiedCopy(folder, before->md5);
    if (!copy)
        return UndoOutcome::Failed;
    // A read-only file is not replaced by a rename.
    if (now->present)
        (void)JournaledChangeFileAttributes(change.target, 0, kUndoneFileAttributes);
    if (!JournaledRestoreFile(*copy, change.target, before->md5))
        return UndoOutcome::Failed;
    if (before->hasAttributes)
        (void)PutBackAttributes(change.target, before->attributes);
    return UndoOutcome::Restored;
}

UndoOutcome UndoFileAttributes(const JournalChange& change) {
    const std::optional<unsigned long> before = ParseAttributesState(change.before);
    const std::optional<unsigned long> after = ParseAttributesState(change.after);
    if (!before || !after)
        return UndoOutcome::Failed;
    UniqueFile file;
    const LinkFreeOpen found = OpenWithoutLinks(
        change.target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, file);
    if (found == LinkFreeOpen::Failed)
        return UndoOutcome::Failed;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (found != LinkFreeOpen::Opened || !GetFileInformationByHandle(file.get(), &info))
        return UndoOutcome::Conflict;
    file.reset();
    const DWORD now = info.dwFileAttributes & kUndoneFileAttributes;
    if (now == (*before & kUndoneFileAttributes))
        return UndoOutcome::AlreadyAsBefore;
    if (now != (*after & kUndoneFileAttributes))
        return UndoOutcome::Conflict;
    return PutBackAttributes(change.target, *before) ? UndoOutcome::Restored : UndoOutcome::Failed;
}

UndoOutcome UndoValue(const JournalChange& change) {
    const std::optional<RegistryKeyPath> key = RegistryKeyOfText(change.target);
    const std::optional<ValueState> before = ValueStateOfText(change.before);
    if (!key || !before || !ValueStateOfText(change.after))
        return UndoOutcome::Failed;
    const std::optional<ValueState> now = ReadValueState(*key, change.name.c_str());
    if (!now)
        return UndoOutcome::Failed;
    const std::wstring nowText = ValueStateText(*now);
    if (nowText == change.before)
        return UndoOutcome::AlreadyAsBefore;
    if (nowText != change.after)
        return UndoOutcome::Conflict;
    if (!before->present)
        return JournaledDeleteValue(*key, change.name.c_str()) == ERROR_SUCCESS
                   ? UndoOutcome::Restored
                   : UndoOutcome::Failed;
    return JournaledSetValue(*key, change.name.c_str(), before->type, before->bytes.data(),
                             static_cast<DWORD>(before->bytes.size())) == ERROR_SUCCESS
               ? UndoOutcome::Restored
               : UndoOutcome::Failed;
}

UndoOutcome UndoKeyCreation(const JournalChange& change) {
    const std::optional<RegistryKeyPath> key = RegistryKeyOfText(change.target);
    if (!key)
        return UndoOutcome::Failed;
    if (!RegistryKeyExists(*key))
        return UndoOutcome::AlreadyAsBefore;
    // Whatever the run wrote into it was put back before (newest first); what
    // is in it now came from someone else.
    if (!RegistryKeyIsEmpty(*key))
        return UndoOutcome::Conflict;
    return JournaledDeleteKeyTree(*key) == ERROR_SUCCESS ? UndoOutcome::Restored
                                                         : UndoOutcome::Failed;
}

std::optional<std::string> CopyBytes(const std::wstring& folder, const std::wstring& md5) {
    const std::optional<std::wstring> copy = VerifiedCopy(folder, md5);
    if (!copy)
        return std::nullopt;
    UniqueFile file(CreateFileW(copy->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size) ||
        size.QuadPart > static_cast<LONGLONG>(kLargestRecordedTree))
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
        return std::nullopt;
    // The digest was checked on the file; check what was read, too.
    Digest digest;
    if (!Md5Of(bytes.data(), bytes.size(), digest) || HexOf(digest.data(), digest.size()) != md5)
        return std::nullopt;
    return bytes;
}

UndoOutcome UndoKeyTree(const JournalChange& change, const std::wstring& folder) {
    const std::optional<RegistryKeyPath> key = RegistryKeyOfText(change.target);
    if (!key || change.before.compare(0, 5, L"tree:") != 0 || change.after != L"absent")
        return UndoOutcome::Failed;
    const std::optional<std::string> tree = CopyBytes(folder, change.before.substr(5));
    if (!tree)
        return UndoOutcome::Failed;
    if (RegistryKeyExists(*key)) {
        const std::optional<std::string> now = ExportKeyTree(*key);
        return now && *now == *tree ? UndoOutcome::AlreadyAsBefore : UndoOutcome::Conflict;
    }
    return JournaledRestoreKeyTree(*key, *tree) == ERROR_SUCCESS ? UndoOutcome::Restored
                                                                 : UndoOutcome::Failed;
}

// The entries of a DACL in SDDL that were set on the key itself; inherited
// ones ("ID") follow the parent and are no part of what a change set. The
// protection flag is left out too: Wine does not keep it.
std::wstring ExplicitEntries(const std::wstring& sddl) {
    std::wstring out;
    size_t open = sddl.find(L'(');
    while (open != std::wstring::npos) {
        const size_t close = sddl.find(L')', open);
        if (close == std::wstring::npos)
            break;
        const std::wstring entry = sddl.substr(open, close - open + 1);
        const size_t firstSemicolon = entry.find(L';');
        const size_t secondSemicolon = entry.find(L';', firstSemicolon + 1);
        const std::wstring flags =
            firstSemicolon == std::wstring::npos || secondSemicolon == std::wstring::npos
                ? std::wstring()
                : entry.substr(firstSemicolon + 1, secondSemicolon - firstSemicolon - 1);
        bool inherited = false;
        for (size_t i = 0; i + 1 < flags.size(); i += 2)
            inherited = inherited || flags.compare(i, 2, L"ID") == 0;
        if (!inherited)
            out += entry;
        open = sddl.find(L'(', close);
    }
    return out;
}

UndoOutcome UndoKeyDacl(const JournalChange& change) {
    const std::optional<RegistryKeyPath> key = RegistryKeyOfText(change.target);
    if (!key || change.before.compare(0, 5, L"dacl:") != 0 ||
        change.after.compare(0, 5, L"dacl:") != 0)
        return UndoOutcome::Failed;
    const std::wstring before = change.before.substr(5);
    std::wstring now;
    if (ReadKeyDacl(*key, now) != ERROR_SUCCESS)
        return UndoOutcome::Failed;
    if (ExplicitEntries(now) == ExplicitEntries(before))
        return UndoOutcome::AlreadyAsBefore;
    if (ExplicitEntries(now) != ExplicitEntries(change.after.substr(5)))
        return UndoOutcome::Conflict;
    return JournaledSetKeyDacl(*key, before) == ERROR_SUCCESS ? UndoOutcome::Restored
                                                              : UndoOutcome::Failed;
}

std::optional<std::wstring> ServiceImagePath(const std::wstring& name, bool& present) {
    present = false;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return std::nullopt;
    UniqueServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? std::optional<std::wstring>(L"")
                                                              : std::nullopt;
    present = true;
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    if (needed == 0 || needed > 64 * 1024)
        return std::nullopt;
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.get(), config, needed, &needed))
        return std::nullopt;
    return std::wstring(config->lpBinaryPathName ? config->lpBinaryPathName : L"");
}

UndoOutcome UndoServiceCreation(const JournalChange& change) {
    if (change.before != L"absent" || change.after.compare(0, 8, L"service:") != 0)
        return UndoOutcome::Failed;
    bool present = false;
    const std::optional<std::wstring> imagePath = ServiceImagePath(change.target, present);
    if (!imagePath)
        return UndoOutcome::Failed;
    if (!present)
        return UndoOutcome::AlreadyAsBefore;
    if (lstrcmpiW(imagePath->c_str(), change.after.substr(8).c_str()) != 0)
        return UndoOutcome::Conflict;
    return JournaledDeleteService(change.target, *imagePath) == ERROR_SUCCESS
               ? UndoOutcome::Restored
               : UndoOutcome::Failed;
}

} // namespace

UndoOutcome UndoChange(const JournalChange& change, const std::wstring& journalFolder) {
    if (!change.undoable)
        return UndoOutcome::NotUndoable;
    if (change.kind == L"file" || change.kind == L"file-next-start")
        return UndoFile(change, journalFolder);
    if (change.kind == L"file-attributes")
        return UndoFileAttributes(change);
    if (change.kind == L"value")
        return UndoValue(change);
    if (change.kind == L"key")
        return UndoKeyCreation(change);
    if (change.kind == L"key-tree")
        return UndoKeyTree(change, journalFolder);
    if (change.kind == L"key-dacl")
        return UndoKeyDacl(change);
    if (change.kind == L"service")
        return UndoServiceCreation(change);
    // The script's keys and values have lines of their own.
    if (change.kind == L"registry-script")
        return UndoOutcome::AlreadyAsBefore;
    return UndoOutcome::Failed;
}

const char* UndoOutcomeText(UndoOutcome outcome) {
    switch (outcome) {
    case UndoOutcome::Restored:
        return "restored";
    case UndoOutcome::AlreadyAsBefore:
        return "unchanged";
    case UndoOutcome::Conflict:
        return "conflict";
    case UndoOutcome::NotUndoable:
        return "not undoable";
    case UndoOutcome::Failed:
        return "failed";
    }
    return "failed";
}
