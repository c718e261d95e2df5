#pragma once

#include <string>

// The moves and deletions Windows performs at its next start are pairs of
// names in the Session Manager's "PendingFileRenameOperations" value. Takes out
// (through the change journal) every pair whose source is SOURCE; true when no
// such pair is left pending.
bool CancelPendingRename(const std::wstring& source);
