#pragma once

#include <string>

// The moves and deletions Windows performs at its next start are pairs of
// names in the Session Manager's "PendingFileRenameOperations" value, stored
// as "\??\C:\x" (a destination that may be replaced as "!\??\C:\x"). Names are
// compared in one form, whatever prefix ("\??\", "\\?\") either side carries.

enum class PendingRename { NotPending, Pending, Unreadable };

// Whether the move of SOURCE to DESTINATION (empty: its deletion) is still
// pending.
PendingRename FindPendingRename(const std::wstring& source, const std::wstring& destination);

// Takes out (through the change journal) the last pair that moves SOURCE to
// DESTINATION, which is the one this program added; other programs' pairs,
// for the same source too, stay. True when no such pair is left pending.
bool CancelPendingRename(const std::wstring& source, const std::wstring& destination);
