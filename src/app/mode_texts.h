#pragma once

#include <string>
#include <vector>

#include "app/run_report.h"
#include "journal/change_journal.h"

// What the windowless modes tell a person at a console, in Chinese or in
// English. Lines end in LF.

// The modes, what each does, and the exit codes. UNKNOWN, when not empty, is
// the command line that was not understood, named first.
std::wstring UsageText(bool chinese, const std::wstring& unknown);

// Where a run's results lie, for the summary.
struct ResultFiles {
    std::wstring log;    // Tools.log
    std::wstring report; // last-run.json
};

// What a repair, a scan or an undo found and changed, the facts of its log
// block: the modules that found something, every change, what could not be
// repaired, whether a restart finishes the repair, the journal, where the log
// and the report lie, and the exit code with its meaning.
std::wstring RunSummaryText(const RunReport& report, const std::vector<JournalChange>& changes,
                            const std::wstring& journal, const ResultFiles& files, int exitCode,
                            bool chinese);
