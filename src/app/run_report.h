#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What a run, a scan or an undo did, for programs to read: written to
// "<common application data>\quillanTools\last-run.json" at its end, with the
// changes the change journal recorded.

struct ModuleFinding {
    std::wstring module; // "CKillRiskDrivers" ...
    bool found = false;
};

// One change that an undo looked at, and what became of it.
struct UndoResult {
    std::wstring kind;
    std::wstring target;
    std::wstring name;
    std::wstring outcome; // "restored", "unchanged", "conflict", "not undoable", "failed"
};

struct RunReport {
    std::wstring mode; // "repair", "second-pass", "scan", "undo"
    SYSTEMTIME start = {};
    std::vector<ModuleFinding> modules;
    std::wstring undoneJournal; // undo: the journal it put back, or empty
    std::wstring undoRefusal;   // undo: why nothing was put back, or empty
    std::wstring undoneBefore;  // undo: the earlier undo of that journal, or empty
    std::vector<UndoResult> undoResults;
    std::vector<std::wstring> notRepaired; // what a repair found and could not repair
    bool restartRequired = false;          // a repair finishes at the next start of Windows
};

// The report of the current run; each run starts it afresh.
RunReport& TheRunReport();
void StartRunReport(const wchar_t* mode, const SYSTEMTIME& start);

// Records that WHAT (a path, most often), found by a scan, could not be
// repaired: in the run's report and, unless LINE says otherwise, as a line of
// the run log. The windowless repair then exits with kExitNotAllRepaired.
enum class NotRepairedLine { Written, Left };
void NoteNotRepaired(const std::wstring& what, NotRepairedLine line = NotRepairedLine::Written);

// The report and the journal's changes as JSON text (UTF-8), with END as the
// end time.
std::string RunReportJson(const RunReport& report, const SYSTEMTIME& end);

// Writes the report into the tool's folder, never through a link there.
bool WriteRunReport();

// "last-run.json" in the tool's folder; empty when that cannot be determined.
std::wstring RunReportPath(bool createFolders);
