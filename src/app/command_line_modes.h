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

// What one start of the program is asked to do.
enum class ProgramMode {
    Window,        // no argument: the window, for a person
    SecondPass,    // " second_proc", written by the run into RunOnce
    Repair,        // "/repair": the whole repair, no window, no restart prompt
    ScanOnly,      // "/scanonly"
    Undo,          // "/undo"
    Help,          // "/?": what the modes do and their exit codes
    NotUnderstood, // a word the program does not know, or two modes at once
};

// The mode of COMMAND_LINE as GetCommandLineW gives it: the program's name
// first (quoted or not), then its arguments, in any letter case. " second_proc"
// keeps the meaning Windows' RunOnce entry relies on: anywhere in the line,
// whatever else is there, unless another mode is asked for as well.
ProgramMode ModeOfCommandLine(const wchar_t* commandLine);

// The switch that asks for MODE as the log names it ("/repair", "second_proc").
const char* NameOfMode(ProgramMode mode);

// Whether a start in MODE tells the statistics host about itself and keeps
// the machine identifier: not when it only looks, puts back or explains.
bool ModeSendsUsageReport(ProgramMode mode);
