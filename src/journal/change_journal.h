#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/md5.h"
#include "common/unique_resource.h"

// Every change a run makes to the machine goes through this layer. Each call
// first records in the run's journal what its target is now (a copy of the
// file, the value's type and bytes or its absence, the exported key tree, the
// DACL) and what it is about to become, makes that record durable, and only
// then makes the change. A change that cannot be recorded is not made: the call
// fails with ERROR_CANNOT_MAKE (as its return value or last error) and the
// machine is left as it was. Otherwise each call behaves like the system call it
// wraps and reports that call's outcome.
//
// The journal lives in "<common application data>\quillanTools\backup\<run
// start>\": a manifest of one line per change and the copies it names. Because
// each line is on disk before its change is made, a run cut off at any point
// can still be undone. Calls are made from one thread at a time, like the run.

// Where a registry key is: a predefined root, the path below it, and the
// registry view (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY) it is opened in.
struct RegistryKeyPath {
    HKEY root = nullptr;
    std::wstring subKey;
    REGSAM view = 0;
};

// ---- Files -----------------------------------------------------------------

// MoveFileExW. With MOVEFILE_DELAY_UNTIL_REBOOT the move (or, with TO empty,
// the deletion) is scheduled for the next start of Windows; undo cancels it
// while it is still pending.
[[nodiscard]] bool JournaledMoveFile(const std::wstring& from, const std::wstring& to, DWORD flags);

// DeleteFileW.
[[nodiscard]] bool JournaledDeleteFile(const std::wstring& path);

// CopyFileW.
[[nodiscard]] bool JournaledCopyFile(const std::wstring& from, const std::wstring& to,
                                     bool failIfExists);

// Creates or replaces PATH with exactly SIZE bytes.
[[nodiscard]] bool JournaledWriteFile(const std::wstring& path, const void* bytes, size_t size);

// Adds the attributes ADD and removes REMOVE (read-only, hidden, system ...)
// of the file at PATH. The old attributes are recorded first; a file reached
// through a link or with a second name is refused. Nothing is recorded when
// the read-only, hidden and system attributes stay as they are.
[[nodiscard]] bool JournaledChangeFileAttributes(const std::wstring& path, DWORD add, DWORD remove);

// The attributes that a change of attributes puts back, and that stop a
// deletion or a rename.
constexpr DWORD kUndoneFileAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Records that PATH is about to be created or rewritten by other means (a
// download, for one) with content whose MD5 digest is AFTER. The caller makes
// the change only when this returns true.
[[nodiscard]] bool RecordFileWrite(const std::wstring& path, const Digest& after);

// Records that the file at PATH, whose content is BYTES (SIZE bytes) and whose
// attributes are ATTRIBUTES, is about to be deleted by other means (through a
// handle the caller holds, for one). The copy is kept from BYTES, so the file
// need not be opened again. The caller deletes it only when this returns true.
[[nodiscard]] bool RecordFileDeletion(const std::wstring& path, const void* bytes, size_t size,
                                      DWORD attributes);

// ---- Registry ----------------------------------------------------------------

// RegSetValueExW of any type (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,
// REG_BINARY ...); the key must exist. Returns the Win32 error code.
[[nodiscard]] LONG JournaledSetValue(const RegistryKeyPath& key, const wchar_t* name, DWORD type,
                                     const void* data, DWORD size);
// REG_SZ with its terminating zero counted in the size.
[[nodiscard]] LONG JournaledSetString(const RegistryKeyPath& key, const wchar_t* name,
                                      const std::wstring& value);
[[nodiscard]] LONG JournaledSetDword(const RegistryKeyPath& key, const wchar_t* name, DWORD value);

// RegDeleteValueW. A value that is not there is ERROR_FILE_NOT_FOUND, unrecorded.
[[nodiscard]] LONG JournaledDeleteValue(const RegistryKeyPath& key, const wchar_t* name);

// Opens the key with ACCESS, creating it (and any missing parent) first when it
// does not exist; only a creation is recorded.
[[nodiscard]] LONG JournaledCreateKey(const RegistryKeyPath& key, REGSAM access, UniqueKey& opened);

// Deletes the key with everything beneath it, after exporting the tree (values
// of every type, subkeys, each key's DACL) into the journal. Registry links are
// not followed.
[[nodiscard]] LONG JournaledDeleteKeyTree(const RegistryKeyPath& key);

// The key's DACL in SDDL form ("D:..."), for a caller that replaces it and
// must put it back.
[[nodiscard]] LONG ReadKeyDacl(const RegistryKeyPath& key, std::wstring& daclSddl);

// Replaces the key's DACL by DACL_SDDL ("D:..." or "D:P..."). Putting the old
// DACL back is one more call with what ReadKeyDacl returned.
[[nodiscard]] LONG JournaledSetKeyDacl(const RegistryKeyPath& key, const std::wstring& daclSddl);

// Imports a registry script ("REGEDIT4" or "Windows Registry Editor Version
// 5.00", UTF-16LE or 8-bit) with the Windows directory's registry editor,
// started by full path, hidden, and waits for it
// (at most a minute). Every value and key it sets is recorded first; a script
// with lines this layer cannot read (deletions, unknown forms) is not imported.
[[nodiscard]] bool JournaledImportRegistryScript(const std::wstring& scriptPath);

// ---- Services and processes ----------------------------------------------------

// CreateServiceW with no group, tag, dependencies, account or password; undo
// stops and deletes the service again. Returns the Win32 error code.
[[nodiscard]] DWORD JournaledCreateService(SC_HANDLE manager, const std::wstring& name,
                                           const std::wstring& displayName, DWORD access,
                                           DWORD serviceType, DWORD startType, DWORD errorControl,
                                           const std::wstring& imagePath,
                                           UniqueServiceHandle& service);

// TerminateProcess, recorded as not undoable with the process id and image.
[[nodiscard]] bool JournaledTerminateProcess(HANDLE process, DWORD processId,
                                             const std::wstring& imagePath, UINT exitCode);

// Records that a network component (its id, e.g. "ms_netportide") is about to
// be removed; this cannot be undone. The caller removes it only when this
// returns true.
[[nodiscard]] bool RecordNetworkComponentRemoval(const std::wstring& componentId,
                                                 const std::wstring& detail);

// ---- The run's journal --------------------------------------------------------

enum class JournalMode { Repair, SecondPass, Undo, ScanOnly };

// Starts the journal of a run that began at START (local time). The journal's
// folder is made, and old journals pruned, with the first change. In
// ScanOnly mode every change is refused.
void BeginJournal(JournalMode mode, const SYSTEMTIME& start);

// One recorded change, as the manifest and the run's report show it.
struct JournalChange {
    std::wstring kind; // "file", "file-next-start", "file-attributes", "value", "key", "key-tree",
                       // "key-dacl", "registry-script", "service", "process",
                       // "network-component"
    std::wstring target; // a path, or "HKLM\..." for a registry key
    std::wstring name;   // a value name, a move's destination, or empty
    std::wstring before; // state texts: "absent", "file:<md5>:<attributes>",
    std::wstring after;  // "value:<type>:<hex>", "present", ...
    bool undoable = true;

    bool operator==(const JournalChange& other) const {
        return kind == other.kind && target == other.target && name == other.name &&
               before == other.before && after == other.after && undoable == other.undoable;
    }
};

// The changes recorded since BeginJournal, oldest first.
const std::vector<JournalChange>& JournalChanges();

// The journal's folder; empty while nothing was recorded.
std::wstring JournalFolder();

// "<common application data>\quillanTools\backup\", empty when the folder
// cannot be determined.
std::wstring JournalRoot();

// Test seam: a run cut off at any point cannot be staged from outside with any
// precision, so a test build of the program sets a hook that is called with
// the number of each entry once it is on disk, before its change is made. The
// program itself never sets one: nothing a user can write decides when a run
// of the program ends.
using JournalEntryHook = void (*)(size_t recorded);
void SetJournalEntryHook(JournalEntryHook hook);
