#include <windows.h>

#include "app/command_line_modes.h"
#include "app/program.h"
#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/second_pass.h"
#include "app/undo_run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    // No "no disk" box either: a path the user recorded may name an empty
    // removable drive, and the unattended second pass must not wait on it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT);

    // The modes for scripts and administrators show no window.
    if (IsUndoCommandLine(GetCommandLineW()))
        return RunUndo(UndoJournalArgument(GetCommandLineW()));
    if (IsScanOnlyCommandLine(GetCommandLineW()))
        return ExitCodeWithRecords(RunScanOnly());

    // The unattended pass after a restart: no window, and no COM loaded.
    if (IsSecondPassCommandLine(GetCommandLineW())) {
        TheRunFlags().secondPass = 1;
        RunRepair(nullptr);
        ExitProcess(0);
    }
    TheRunFlags().secondPass = 0;
    return RunProgram(RunRepair);
}
