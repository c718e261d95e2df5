#pragma once

#include <string>

#include "journal/change_journal.h"

// Putting back one recorded change. A target that is as it was before is left
// alone; one that is as the change made it is put back (through the journal,
// so that the undo is recorded too); one that has been changed again since is
// a conflict and is left alone as well.

enum class UndoOutcome {
    Restored,
    AlreadyAsBefore, // the change was never made, or was put back already
    Conflict,
    NotUndoable,
    Failed,
};

// JOURNAL_FOLDER (ending in "\") holds the copies the change names.
UndoOutcome UndoChange(const JournalChange& change, const std::wstring& journalFolder);

// "restored", "unchanged", "conflict", "not undoable", "failed".
const char* UndoOutcomeText(UndoOutcome outcome);
