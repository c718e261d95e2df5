#include "journal/change_journal.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <vector>

#include "common/file_digest.h"
#include "common/link_safe_file.h"
#include "journal/journal_folder.h"
#include "journal/journal_line.h"
#include "journal/journal_manifest.h"
#include "journal/journal_restore.h"
#include "journal/registry_script.h"
#include "journal/registry_state.h"
#include "journal/staged_replacement.h"
#include "common/system_directories.h"

namespace {

constexpr DWORD kScriptImportWaitMs = 60000;
constexpr size_t kLargestScript = 1u << 20;

const wchar_t* ModeName(JournalMode mode) {
    switch (mode) {
    case JournalMode::Repair:
        return L"repair";
    case JournalMode::SecondPass:
        return L"second-pass";
    case JournalMode::Undo:
        return L"undo";
    case JournalMode::ScanOnly:
        return L"scan";
    }
    return L"repair";
}

// The process-wide journal of the current run.
struct Journal {
    JournalMode mode = JournalMode::Repair;
    SYSTEMTIME start = {};
    bool begun = false;
    bool broken = false; // a failed write: nothing more is recorded, so nothing more changed
    std::wstring folder; // ends in "\"; empty until the first change
    UniqueFile manifest;
    std::vector<JournalChange> changes;
};

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

bool WriteDurably(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && FlushFileBuffers(file);
}

std::wstring StartText(const SYSTEMTIME& start) {
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", start.wYear, start.wMonth, start.wDay,
                  start.wHour, start.wMinute, start.wSecond);
    return text;
}

// Makes the journal's folder and manifest on the first change of a run.
bool OpenJournal(Journal& journal) {
    if (!journal.folder.empty())
        return true;
    if (journal.broken)
        return false;
    if (!journal.begun) {
        GetLocalTime(&journal.start);
        journal.begun = true;
    }
    journal.broken = true; // until the manifest is in place
    const std::wstring root = PrepareJournalRoot();
    if (root.empty())
        return false;
    const std::wstring base = JournalFolderName(root, journal.start);
    std::wstring name = base;
    for (int number = 2; !CreateDirectoryW((root + name).c_str(), nullptr); ++number) {
        if (GetLastError() != ERROR_ALREADY_EXISTS || number > 100)
            return false;
        name = base + L"-" + std::to_wstring(number);
    }
    const std::wstring folder = root + name + L"\\";
    if (!CreateDirectoryW((folder + kCopiesFolder).c_str(), nullptr))
        return false;
    UniqueFile manifest(CreateFileW((folder + kManifestName).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (!manifest)
        return false;
    const std::string head = std::string(kManifestHeader) + "\n" +
                             FormatLine({L"run", ModeName(journal.mode), StartText(journal.start)});
    if (!WriteDurably(manifest.get(), head))
        return false;
    journal.folder = folder;
    journal.manifest = std::move(manifest);
    journal.broken = false;
    // An undo prunes nothing: the journal it is undoing would go with its
    // copies. A run keeps its own journal and the newest one not yet undone.
    if (journal.mode != JournalMode::Undo) {
        std::vector<std::wstring> keep = {name};
        if (const std::optional<UndoCandidate> newest = NewestUndoCandidate(root, true))
            keep.push_back(newest->name);
        FILETIME now = {};
        GetSystemTimeAsFileTime(&now);
        PruneJournals(root, keep, now);
    }
    return true;
}

bool ChangesForbidden() {
    return TheJournal().mode == JournalMode::ScanOnly;
}

JournalEntryHook& TheEntryHook() {
    static JournalEntryHook hook = nullptr;
    return hook;
}

// Writes CHANGE to the manifest; true once it is on disk.
bool Record(JournalChange change) {
    Journal& journal = TheJournal();
    if (ChangesForbidden() || !OpenJournal(journal))
        return false;
    const std::string line =
        FormatLine({L"change", change.kind, change.target, change.name, change.before, change.after,
                    change.undoable ? L"yes" : L"no"});
    if (!WriteDurably(journal.manifest.get(), line)) {
        journal.broken = true;
        return false;
    }
    journal.changes.push_back(std::move(change));
    if (JournalEntryHook hook = TheEntryHook())
        hook(journal.changes.size());
    return true;
}

std::wstring DigestHex(const Digest& digest) {
    return HexOf(digest.data(), digest.size());
}

// Keeps BYTES in the journal's copies under their digest; the digest text, or
// nothing when they could not be kept.
std::optional<std::wstring> KeepBytes(const void* bytes, size_t size) {
    Journal& journal = TheJournal();
    Digest digest;
    if (ChangesForbidden() || !OpenJournal(journal) || !Md5Of(bytes, size, digest))
        return std::nullopt;
    const std::wstring md5 = DigestHex(digest);
    const std::wstring copy = journal.folder + kCopiesFolder + L"\\" + md5;
    if (GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES)
        return md5;
    const std::wstring partial = copy + L".partial";
    {
        UniqueFile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !WriteDurably(file.get(), std::string(static_cast<const char*>(bytes), size)))
            return std::nullopt;
    }
    if (!MoveFileExW(partial.c_str(), copy.c_str(), MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(partial.c_str());
        return std::nullopt;
    }
    return md5;
}

// Copies what is left to read from SOURCE into a new file TO, flushed.
bool CopyFromHandle(HANDLE source, const std::wstring& to) {
    UniqueFile file(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::vector<char> chunk(256 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return false;
        if (got == 0)
            return FlushFileBuffers(file.get()) != FALSE;
        DWORD written = 0;
        if (!WriteFile(file.get(), chunk.data(), got, &written, nullptr) || written != got)
            return false;
    }
}

// Keeps a copy of the file at PATH in the journal; its state text ("absent"
// when there is no file), or nothing when it cannot be kept (unreadable, a
// folder, a link at its end or anywhere along its folders: a change through
// it would land somewhere else).
std::optional<std::wstring> KeepFile(const std::wstring& path) {
    UniqueFile source;
    const LinkFreeOpen found = OpenWithoutLinks(
        path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, source);
    if (found == LinkFreeOpen::Absent)
        return FormatFileState({});
    BY_HANDLE_FILE_INFORMATION info = {};
    if (found != LinkFreeOpen::Opened || !GetFileInformationByHandle(source.get(), &info))
        return std::nullopt;
    Journal& journal = TheJournal();
    if (ChangesForbidden() || !OpenJournal(journal))
        return std::nullopt;
    // Copy first and digest the copy: what is kept is what the digest names.
    const std::wstring partial = journal.folder + kCopiesFolder + L"\\copy.partial";
    Digest digest;
    if (!CopyFromHandle(source.get(), partial) || !DigestOfFile(partial, digest)) {
        DeleteFileW(partial.c_str());
        return std::nullopt;
    }
    source.reset();
    const std::wstring md5 = DigestHex(digest);
    const std::wstring copy = journal.folder + kCopiesFolder + L"\\" + md5;
    if (GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteFileW(partial.c_str());
    else if (!MoveFileExW(partial.c_str(), copy.c_str(), MOVEFILE_WRITE_THROUGH))
        return std::nullopt;
    FileStateText state;
    state.present = true;
    state.md5 = md5;
    state.hasAttributes = true;
    state.attributes = info.dwFileAttributes;
    return FormatFileState(state);
}

std::wstring AfterFile(const std::wstring& md5) {
    FileStateText state;
    state.present = true;
    state.md5 = md5;
    return FormatFileState(state);
}

bool Refuse() {
    SetLastError(ERROR_CANNOT_MAKE);
    return false;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ValueName(const wchar_t* name) {
    return name ? name : L"";
}

JournalChange Change(const wchar_t* kind, std::wstring target, std::wstring name,
                     std::wstring before, std::wstring after, bool undoable = true) {
    JournalChange change;
    change.kind = kind;
    change.target = std::move(target);
    change.name = std::move(name);
    change.before = std::move(before);
    change.after = std::move(after);
    change.undoable = undoable;
    return change;
}

// Records a "key" change for KEY and every missing key above it, outermost
// first. Keys in RECORDED (when given) are about to be made already: they are
// recorded once, and RECORDED grows by what is recorded now.
bool RecordMissingKeys(const RegistryKeyPath& key, std::vector<std::wstring>* recorded = nullptr) {
    const auto isRecorded = [&](const RegistryKeyPath& probe) {
        return recorded && std::find(recorded->begin(), recorded->end(), RegistryKeyText(probe)) !=
                               recorded->end();
    };
    std::vector<RegistryKeyPath> missing;
    RegistryKeyPath probe = key;
    while (!probe.subKey.empty() && !isRecorded(probe) && !RegistryKeyExists(probe)) {
        missing.push_back(probe);
        const size_t slash = probe.subKey.rfind(L'\\');
        probe.subKey = slash == std::wstring::npos ? std::wstring() : probe.subKey.substr(0, slash);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!Record(Change(L"key", RegistryKeyText(*it), L"", L"absent", L"present")))
            return false;
        if (recorded)
            recorded->push_back(RegistryKeyText(*it));
    }
    return true;
}

LONG RecordValue(const RegistryKeyPath& key, const std::wstring& name, const ValueState& after) {
    const std::optional<ValueState> before = ReadValueState(key, name.c_str());
    if (!before || RegistryKeyText(key).empty())
        return ERROR_CANNOT_MAKE;
    if (!Record(Change(L"value", RegistryKeyText(key), name, ValueStateText(*before),
                       ValueStateText(after))))
        return ERROR_CANNOT_MAKE;
    return ERROR_SUCCESS;
}

std::optional<std::wstring> ScriptText(const std::wstring& path, std::string& bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > LONGLONG(kLargestScript))
        return std::nullopt;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
        return std::nullopt;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        return text;
    }
    if (bytes.empty())
        return std::wstring();
    const int chars =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (chars <= 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        chars);
    return text;
}

// Registry key and value names compare without regard to case.
bool SameIgnoringCase(const std::wstring& a, const wchar_t* b) {
    return lstrcmpiW(a.c_str(), b) == 0;
}

std::optional<RegistryKeyPath> ScriptKeyPath(const std::wstring& key) {
    struct Root {
        const wchar_t* name;
        HKEY root;
    };
    static const Root kScriptRoots[] = {{L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                        {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                        {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                        {L"HKEY_USERS", HKEY_USERS}};
    const size_t slash = key.find(L'\\');
    const std::wstring head = key.substr(0, slash);
    for (const Root& root : kScriptRoots) {
        if (SameIgnoringCase(head, root.name))
            return RegistryKeyPath{root.root,
                                   slash == std::wstring::npos ? L"" : key.substr(slash + 1),
                                   // The registry editor is a native program: on a 64-bit
                                   // system it writes the 64-bit view.
                                   KEY_WOW64_64KEY};
    }
    return std::nullopt;
}

} // namespace

bool JournaledMoveFile(const std::wstring& from, const std::wstring& to, DWORD flags) {
    if (ChangesForbidden())
        return Refuse();
    const bool atNextStart = (flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    const std::optional<std::wstring> fromState = KeepFile(from);
    if (!fromState)
        return Refuse();
    const std::optional<FileStateText> moved = ParseFileState(*fromState);
    if (!moved || !moved->present) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!to.empty()) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING) && FileExists(to)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        const std::optional<std::wstring> toState = KeepFile(to);
        if (!toState || !Record(Change(L"file", to, L"", *toState, AfterFile(moved->md5))))
            return Refuse();
    }
    if (!Record(Change(atNextStart ? L"file-next-start" : L"file", from, to, *fromState,
                       FormatFileState({}))))
        return Refuse();
    return MoveFileExW(from.c_str(), to.empty() ? nullptr : to.c_str(), flags) != FALSE;
}

bool JournaledDeleteFile(const std::wstring& path) {
    if (ChangesForbidden())
        return Refuse();
    const std::optional<std::wstring> before = KeepFile(path);
    if (!before)
        return Refuse();
    if (*before == FormatFileState({})) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!Record(Change(L"file", path, L"", *before, FormatFileState({}))))
        return Refuse();
    return DeleteFileW(path.c_str()) != FALSE;
}

bool JournaledCopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    if (ChangesForbidden())
        return Refuse();
    if (failIfExists && FileExists(to)) {
        SetLastError(ERROR_FILE_EXISTS);
        return false;
    }
    Digest digest;
    if (!DigestOfFile(from, digest)) {
        if (!FileExists(from))
            return CopyFileW(from.c_str(), to.c_str(), failIfExists) != FALSE;
        return Refuse();
    }
    const std::optional<std::wstring> before = KeepFile(to);
    if (!before || !Record(Change(L"file", to, L"", *before, AfterFile(DigestHex(digest)))))
        return Refuse();
    return CopyFileW(from.c_str(), to.c_str(), failIfExists) != FALSE;
}

bool JournaledWriteFile(const std::wstring& path, const void* bytes, size_t size) {
    Digest digest;
    if (size > MAXDWORD || !Md5Of(bytes, size, digest) || !RecordFileWrite(path, digest))
        return Refuse();
    // Renamed over the target: a file with other names (hard links) is never
    // rewritten.
    StagedReplacement staged(path);
    return staged.Ready() && staged.Write(bytes, size) && staged.Commit();
}

bool JournaledRestoreFile(const std::wstring& copy, const std::wstring& target,
                          const std::wstring& md5) {
    const std::optional<std::vector<unsigned char>> digestBytes = BytesOfHex(md5);
    if (!digestBytes || digestBytes->size() != Digest().size())
        return Refuse();
    Digest digest;
    std::copy(digestBytes->begin(), digestBytes->end(), digest.begin());
    UniqueFile source(CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!source || !RecordFileWrite(target, digest))
        return Refuse();
    StagedReplacement staged(target);
    if (!staged.Ready())
        return false;
    std::vector<char> chunk(256 * 1024);
    Md5 written;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return false;
        if (got == 0)
            break;
        written.Update(chunk.data(), got);
        if (!staged.Write(chunk.data(), got))
            return false;
    }
    // What goes into place is what the journal recorded, and it is on disk
    // before its rename.
    Digest check;
    return written.Final(check) && check == digest && staged.Commit();
}

bool JournaledChangeFileAttributes(const std::wstring& path, DWORD add, DWORD remove) {
    if (ChangesForbidden())
        return Refuse();
    UniqueFile file;
    const LinkFreeOpen found = OpenWithoutLinks(
        path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, file);
    if (found == LinkFreeOpen::Absent) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    // Through a second name the attributes of someone else's file would change.
    BY_HANDLE_FILE_INFORMATION info = {};
    if (found != LinkFreeOpen::Opened || !IsSingleNamePlainFile(file.get()) ||
        !GetFileInformationByHandle(file.get(), &info))
        return Refuse();
    const DWORD before = info.dwFileAttributes;
    const DWORD after = (before & ~remove) | add;
    if ((before & kUndoneFileAttributes) == (after & kUndoneFileAttributes))
        return true;
    if (!Record(Change(L"file-attributes", path, L"", FormatAttributesState(before),
                       FormatAttributesState(after))))
        return Refuse();
    return SetAttributesByHandle(file.get(), after & ~FILE_ATTRIBUTE_NORMAL);
}

bool RecordFileDeletion(const std::wstring& path, const void* bytes, size_t size,
                        DWORD attributes) {
    if (ChangesForbidden())
        return Refuse();
    const std::optional<std::wstring> md5 = KeepBytes(bytes, size);
    if (!md5)
        return Refuse();
    FileStateText before;
    before.present = true;
    before.md5 = *md5;
    before.hasAttributes = true;
    before.attributes = attributes;
    if (!Record(Change(L"file", path, L"", FormatFileState(before), FormatFileState({}))))
        return Refuse();
    return true;
}

bool RecordFileWrite(const std::wstring& path, const Digest& after) {
    if (ChangesForbidden())
        return Refuse();
    const std::optional<std::wstring> before = KeepFile(path);
    if (!before || !Record(Change(L"file", path, L"", *before, AfterFile(DigestHex(after)))))
        return Refuse();
    return true;
}

LONG JournaledSetValue(const RegistryKeyPath& key, const wchar_t* name, DWORD type,
                       const void* data, DWORD size) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    UniqueKey opened;
    LONG error = OpenRegistryKey(key, KEY_SET_VALUE | KEY_QUERY_VALUE, opened);
    if (error != ERROR_SUCCESS)
        return error;
    if (size > kLargestRecordedValue || (size != 0 && data == nullptr))
        return ERROR_CANNOT_MAKE;
    ValueState after;
    after.present = true;
    after.type = type;
    after.bytes.assign(static_cast<const unsigned char*>(data),
                       static_cast<const unsigned char*>(data) + size);
    error = RecordValue(key, ValueName(name), after);
    if (error != ERROR_SUCCESS)
        return error;
    return RegSetValueExW(opened.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

LONG JournaledSetString(const RegistryKeyPath& key, const wchar_t* name,
                        const std::wstring& value) {
    if (value.size() >= kLargestRecordedValue / sizeof(wchar_t))
        return ERROR_CANNOT_MAKE;
    return JournaledSetValue(key, name, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG JournaledSetDword(const RegistryKeyPath& key, const wchar_t* name, DWORD value) {
    return JournaledSetValue(key, name, REG_DWORD, &value, sizeof(value));
}

LONG JournaledDeleteValue(const RegistryKeyPath& key, const wchar_t* name) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    UniqueKey opened;
    LONG error = OpenRegistryKey(key, KEY_SET_VALUE | KEY_QUERY_VALUE, opened);
    if (error != ERROR_SUCCESS)
        return error;
    const std::optional<ValueState> before = ReadValueState(key, ValueName(name).c_str());
    if (!before)
        return ERROR_CANNOT_MAKE;
    if (!before->present)
        return ERROR_FILE_NOT_FOUND;
    error = RecordValue(key, ValueName(name), ValueState{});
    if (error != ERROR_SUCCESS)
        return error;
    return RegDeleteValueW(opened.get(), name);
}

LONG JournaledCreateKey(const RegistryKeyPath& key, REGSAM access, UniqueKey& opened) {
    const LONG error = OpenRegistryKey(key, access, opened);
    if (error != ERROR_FILE_NOT_FOUND)
        return error;
    if (ChangesForbidden() || RegistryKeyText(key).empty() || !RecordMissingKeys(key))
        return ERROR_CANNOT_MAKE;
    HKEY raw = nullptr;
    const LONG created = RegCreateKeyExW(key.root, key.subKey.c_str(), 0, nullptr, 0,
                                         access | key.view, nullptr, &raw, nullptr);
    if (created == ERROR_SUCCESS)
        opened.reset(raw);
    return created;
}

LONG JournaledDeleteKeyTree(const RegistryKeyPath& key) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    if (key.subKey.empty() || RegistryKeyText(key).empty())
        return ERROR_INVALID_PARAMETER;
    if (!RegistryKeyExists(key))
        return ERROR_FILE_NOT_FOUND;
    const std::optional<std::string> tree = ExportKeyTree(key);
    if (!tree)
        return ERROR_CANNOT_MAKE;
    const std::optional<std::wstring> md5 = KeepBytes(tree->data(), tree->size());
    if (!md5 || !Record(Change(L"key-tree", RegistryKeyText(key), L"", L"tree:" + *md5, L"absent")))
        return ERROR_CANNOT_MAKE;
    return DeleteKeyTree(key);
}

LONG ReadKeyDacl(const RegistryKeyPath& key, std::wstring& daclSddl) {
    return ReadKeyDaclText(key, daclSddl);
}

LONG JournaledSetKeyDacl(const RegistryKeyPath& key, const std::wstring& daclSddl) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    std::wstring before;
    const LONG error = ReadKeyDaclText(key, before);
    if (error != ERROR_SUCCESS)
        return error;
    if (!Record(
            Change(L"key-dacl", RegistryKeyText(key), L"", L"dacl:" + before, L"dacl:" + daclSddl)))
        return ERROR_CANNOT_MAKE;
    return WriteKeyDaclText(key, daclSddl);
}

bool JournaledImportRegistryScript(const std::wstring& scriptPath) {
    if (ChangesForbidden())
        return Refuse();
    std::string bytes;
    const std::optional<std::wstring> text = ScriptText(scriptPath, bytes);
    if (!text)
        return Refuse();
    const std::optional<RegistryScript> script = ParseRegistryScript(*text);
    if (!script)
        return Refuse();
    // Each value once, with the machine's state before and the script's last word after.
    struct Planned {
        RegistryKeyPath key;
        std::wstring name;
        ValueState after;
    };
    std::vector<Planned> planned;
    std::vector<RegistryKeyPath> keys;
    for (const std::wstring& keyText : script->keys) {
        const std::optional<RegistryKeyPath> key = ScriptKeyPath(keyText);
        if (!key || key->subKey.empty())
            return Refuse();
        keys.push_back(*key);
    }
    for (const ScriptValue& value : script->values) {
        const std::optional<RegistryKeyPath> key = ScriptKeyPath(value.key);
        if (!key)
            return Refuse();
        ValueState after;
        after.present = true;
        after.type = value.type;
        after.bytes = value.bytes;
        auto same = std::find_if(planned.begin(), planned.end(), [&](const Planned& p) {
            return RegistryKeyText(p.key) == RegistryKeyText(*key) &&
                   SameIgnoringCase(p.name, value.name.c_str());
        });
        if (same != planned.end())
            same->after = std::move(after);
        else
            planned.push_back({*key, value.name, std::move(after)});
    }
    const std::optional<std::wstring> md5 = KeepBytes(bytes.data(), bytes.size());
    if (!md5 || !Record(Change(L"registry-script", scriptPath, L"", L"-", L"copy:" + *md5)))
        return Refuse();
    std::vector<std::wstring> recordedKeys;
    for (const RegistryKeyPath& key : keys) {
        if (!RecordMissingKeys(key, &recordedKeys))
            return Refuse();
    }
    for (const Planned& value : planned) {
        if (RecordValue(value.key, value.name, value.after) != ERROR_SUCCESS)
            return Refuse();
    }
    // By full path: a "regedit.exe" in the current folder must not be started.
    const std::wstring windowsDirectory = WindowsDirectoryWithSlash();
    if (windowsDirectory.empty())
        return false;
    const std::wstring regedit = windowsDirectory + L"regedit.exe";
    const std::wstring parameters = L"/s \"" + scriptPath + L"\"";
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = regedit.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_HIDE;
    if (!ShellExecuteExW(&execute))
        return false;
    UniqueHandle editor(execute.hProcess);
    if (editor)
        WaitForSingleObject(editor.get(), kScriptImportWaitMs);
    return true;
}

DWORD JournaledCreateService(SC_HANDLE manager, const std::wstring& name,
                             const std::wstring& displayName, DWORD access, DWORD serviceType,
                             DWORD startType, DWORD errorControl, const std::wstring& imagePath,
                             UniqueServiceHandle& service) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    UniqueServiceHandle existing(OpenServiceW(manager, name.c_str(), SERVICE_QUERY_STATUS));
    if (existing)
        return ERROR_SERVICE_EXISTS;
    if (!Record(Change(L"service", name, L"", L"absent", L"service:" + imagePath)))
        return ERROR_CANNOT_MAKE;
    service.reset(CreateServiceW(manager, name.c_str(), displayName.c_str(), access, serviceType,
                                 startType, errorControl, imagePath.c_str(), nullptr, nullptr,
                                 nullptr, nullptr, nullptr));
    return service ? ERROR_SUCCESS : GetLastError();
}

bool JournaledTerminateProcess(HANDLE process, DWORD processId, const std::wstring& imagePath,
                               UINT exitCode) {
    if (ChangesForbidden())
        return Refuse();
    if (!Record(
            Change(L"process", imagePath, std::to_wstring(processId), L"running", L"ended", false)))
        return Refuse();
    return TerminateProcess(process, exitCode) != FALSE;
}

bool RecordNetworkComponentRemoval(const std::wstring& componentId, const std::wstring& detail) {
    if (ChangesForbidden())
        return Refuse();
    if (!Record(Change(L"network-component", componentId, detail, L"present", L"absent", false)))
        return Refuse();
    return true;
}

void BeginJournal(JournalMode mode, const SYSTEMTIME& start) {
    Journal& journal = TheJournal();
    journal.manifest.reset();
    journal = Journal{};
    journal.mode = mode;
    journal.start = start;
    journal.begun = true;
}

const std::vector<JournalChange>& JournalChanges() {
    return TheJournal().changes;
}

std::wstring JournalFolder() {
    return TheJournal().folder;
}

LONG JournaledRestoreKeyTree(const RegistryKeyPath& key, const std::string& exported) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    const std::optional<std::wstring> md5 = KeepBytes(exported.data(), exported.size());
    if (!md5 || !Record(Change(L"key-tree", RegistryKeyText(key), L"", L"absent", L"tree:" + *md5)))
        return ERROR_CANNOT_MAKE;
    return ImportKeyTree(key, exported);
}

DWORD JournaledDeleteService(const std::wstring& name, const std::wstring& imagePath) {
    if (ChangesForbidden())
        return ERROR_CANNOT_MAKE;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return GetLastError();
    UniqueServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service)
        return GetLastError();
    // Its settings beyond the image path are not kept: not undoable.
    if (!Record(Change(L"service", name, L"", L"service:" + imagePath, L"absent", false)))
        return ERROR_CANNOT_MAKE;
    SERVICE_STATUS status = {};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    return DeleteService(service.get()) ? ERROR_SUCCESS : GetLastError();
}

void SetJournalEntryHook(JournalEntryHook hook) {
    TheEntryHook() = hook;
}
