#include <windows.h>
#include <objbase.h>

#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/command_line_modes.h"
#include "app/second_pass.h"
#include "app/undo_run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    // No "no disk" box either: a path the user recorded may name an empty
    // removable drive, and the unattended second pass must not wait on it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT);

    // The modes for scripts and administrators show no window.
    if (IsUndoCommandLine(GetCommandLineW()))
        return RunUndo();
    if (IsScanOnlyCommandLine(GetCommandLineW()))
        return RunScanOnly();

    const bool secondPass = IsSecondPassCommandLine(GetCommandLineW());
    TheRunFlags().secondPass = secondPass ? 1 : 0;
    RunRepair(nullptr);
    if (secondPass)
        ExitProcess(0);
    // Until the main dialog exists, a start by the user shows the outcome
    // through the run log itself. Only the shell's opening of the log may
    // need COM (its handler can be a COM object); the run starts programs
    // and needs none, so the unattended pass never loads it.
    CoInitialize(nullptr);
    OpenLogFile();

    CoUninitialize();
    return 0;
}
