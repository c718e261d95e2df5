#pragma once

#include <string>

// Puts back every change of the last run that made changes, newest first,
// through a journal of its own, so that a second undo finds everything as
// before and changes nothing. A change whose target was changed again since is
// left alone and reported as a conflict. Writes what it did to the run log, in
// a block of its own, and the run's report. Returns the process exit code:
// 0 when nothing is left to put back, 1 when a conflict or a failure was left,
// 2 when there was no journal to undo or it could not be trusted or read,
// 4 (in place of 0 or 1) when the log or the report could not be written.
// NAMED, when not empty, is the journal to undo in place of the newest: one
// of a repair or a second pass under the backup folder.
int RunUndo(const std::wstring& named = std::wstring());
