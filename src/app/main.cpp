#include <windows.h>

#include "app/command_line_modes.h"
#include "app/exit_codes.h"
#include "app/program.h"
#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/second_pass.h"
#include "app/single_run_guard.h"
#include "app/undo_run.h"

namespace {

// A mode of the program; returns the process exit code.
using Mode = int (*)();

// The unattended pass after a restart: no window, and no COM loaded.
int SecondPassMode() {
    TheRunFlags().secondPass = 1;
    RunRepair(nullptr);
    ExitProcess(0);
}

int WindowMode() {
    TheRunFlags().secondPass = 0;
    return RunProgram(RunRepair);
}

// The modes for scripts and administrators show no window.
Mode ModeFor(const wchar_t* commandLine) {
    if (IsUndoCommandLine(commandLine))
        return RunUndo;
    if (IsScanOnlyCommandLine(commandLine))
        return RunScanOnly;
    if (IsSecondPassCommandLine(commandLine))
        return SecondPassMode;
    return WindowMode;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    // No "no disk" box either: a path the user recorded may name an empty
    // removable drive, and the unattended second pass must not wait on it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT);

    // One run at a time, whatever the mode: while another run is going a
    // windowless mode changes nothing and exits, the window says so itself.
    const Mode mode = ModeFor(GetCommandLineW());
    if (!TakeSingleRunGuard() && mode != WindowMode)
        return kExitAnotherRunActive;
    return mode();
}
