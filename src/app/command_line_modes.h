#pragma once

#include <string>

// The windowless modes a command line may ask for, each as an argument of its
// own in any letter case: "/undo" puts back the last run's changes, "/scanonly"
// looks without changing anything.
bool IsUndoCommandLine(const wchar_t* commandLine);
// The word after "/undo": the name of the journal to undo ("000012-20261210-
// 142105"); empty when none follows.
std::wstring UndoJournalArgument(const wchar_t* commandLine);
bool IsScanOnlyCommandLine(const wchar_t* commandLine);
