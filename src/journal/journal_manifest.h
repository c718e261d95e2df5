#pragma once

#include <optional>
#include <string>
#include <vector>

#include "journal/change_journal.h"

// Reading a journal back: its manifest and whether it can be trusted.

struct JournalManifest {
    std::wstring mode;  // "repair", "second-pass", "undo", "scan"
    std::wstring start; // "2026-12-10 14:21:05"
    std::vector<JournalChange> changes;
    std::vector<std::wstring> undoneBy; // names of the undo journals that undid it
};

constexpr wchar_t kManifestName[] = L"manifest.txt";
constexpr wchar_t kCopiesFolder[] = L"copies";

// The manifest of the journal in FOLDER (ending in "\"); nothing when it is
// missing, too large or not in the journal's format. Lines cut short by a
// crash are passed over.
std::optional<JournalManifest> ReadManifest(const std::wstring& folder);

// Whether nobody but administrators and SYSTEM can have written the journal:
// its folder, manifest, copies folder and every copy, none of them a link.
bool JournalIsTrustworthy(const std::wstring& folder);

// The path of the copy named by its digest text, when the copy is there,
// trustworthy, and still has that digest.
std::optional<std::wstring> VerifiedCopy(const std::wstring& folder, const std::wstring& md5);

// Notes in FOLDER's manifest that the undo journal UNDO_NAME undid it. A last
// line cut short by a crash (its change was never made) is cut off first, so
// that the note is a line of its own.
bool MarkUndone(const std::wstring& folder, const std::wstring& undoName);

// The newest journal under ROOT that an undo takes: of a repair or second
// pass that recorded changes, or one whose manifest is there but cannot be
// read (which the undo then refuses rather than pass over to an older run).
// With NOT_UNDONE, journals undone already are passed over too.
struct UndoCandidate {
    std::wstring name;
    bool readable = false;
};
std::optional<UndoCandidate> NewestUndoCandidate(const std::wstring& root, bool notUndone);
