#include "app/windowless_run.h"

#include "app/caller_output.h"
#include "app/command_line_modes.h"
#include "app/exit_codes.h"
#include "app/mode_texts.h"
#include "app/repair_run.h"
#include "app/run_log.h"
#include "app/run_report.h"
#include "app/undo_run.h"
#include "journal/change_journal.h"
#include "journal/journal_folder.h"

namespace {

void WriteSummary(int exitCode) {
    const ResultFiles files = {LogFilePath(false), RunReportPath(false)};
    WriteToCaller(RunSummaryText(TheRunReport(), JournalChanges(), JournalNameOf(JournalFolder()),
                                 files, exitCode, UserReadsChinese()));
}

int RunMode(ProgramMode mode, const wchar_t* commandLine) {
    switch (mode) {
    case ProgramMode::Repair:
        return RunUnattendedRepair();
    case ProgramMode::ScanOnly:
        return ExitCodeWithRecords(RunScanOnly());
    case ProgramMode::Undo:
        return RunUndo(UndoJournalArgument(commandLine));
    default:
        return kExitUsage;
    }
}

} // namespace

bool IsWindowlessMode(ProgramMode mode) {
    return mode == ProgramMode::Repair || mode == ProgramMode::ScanOnly ||
           mode == ProgramMode::Undo || mode == ProgramMode::Help ||
           mode == ProgramMode::NotUnderstood;
}

int RunWindowlessMode(ProgramMode mode, const wchar_t* commandLine) {
    // Help changes nothing and needs no rights: it is answered first.
    if (mode == ProgramMode::Help) {
        WriteToCaller(UsageText(UserReadsChinese(), L""));
        return kExitSuccess;
    }
    if (mode == ProgramMode::NotUnderstood) {
        WriteToCaller(UsageText(UserReadsChinese(), commandLine ? commandLine : L""));
        return kExitUsage;
    }
    const int exitCode = RunMode(mode, commandLine);
    WriteSummary(exitCode);
    return exitCode;
}
