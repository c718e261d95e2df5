#pragma once

// The windowless modes a command line may ask for, each as an argument of its
// own in any letter case: "/undo" puts back the last run's changes, "/scanonly"
// looks without changing anything.
bool IsUndoCommandLine(const wchar_t* commandLine);
bool IsScanOnlyCommandLine(const wchar_t* commandLine);
