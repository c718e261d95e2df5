#include <windows.h>

#include "app/administrator_rights.h"
#include "app/command_line_modes.h"
#include "app/exit_codes.h"
#include "app/program.h"
#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/second_pass.h"
#include "app/undo_run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    // No "no disk" box either: a path the user recorded may name an empty
    // removable drive, and the unattended second pass must not wait on it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT);

    // The modes for scripts and administrators show no window; without
    // administrator rights each ends at once, saying so.
    if (IsUndoCommandLine(GetCommandLineW())) {
        if (const int refused = RequireAdministratorRights("/undo"))
            return refused;
        return RunUndo();
    }
    if (IsScanOnlyCommandLine(GetCommandLineW())) {
        if (const int refused = RequireAdministratorRights("/scanonly"))
            return refused;
        return RunScanOnly();
    }

    // The unattended pass after a restart: no window, and no COM loaded.
    if (IsSecondPassCommandLine(GetCommandLineW())) {
        if (const int refused = RequireAdministratorRights("second_proc"))
            ExitProcess(static_cast<UINT>(refused));
        TheRunFlags().secondPass = 1;
        RunRepair(nullptr);
        ExitProcess(0);
    }
    TheRunFlags().secondPass = 0;
    return RunProgram(RunRepair);
}
