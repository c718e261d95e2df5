#include <windows.h>

#include "app/administrator_rights.h"
#include "app/command_line_modes.h"
#include "app/exit_codes.h"
#include "app/program.h"
#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/single_run_guard.h"
#include "app/windowless_run.h"
#include "common/dll_search_order.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    UseSafeDllSearchOrder();
    // No "no disk" box either: a path the user recorded may name an empty
    // removable drive, and the unattended second pass must not wait on it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT);

    // The modes for scripts and administrators show no window.
    const ProgramMode mode = ModeOfCommandLine(GetCommandLineW());
    // Help and a command line not understood change nothing and need nothing.
    if (mode != ProgramMode::Window && mode != ProgramMode::Help &&
        mode != ProgramMode::NotUnderstood) {
        // Without administrator rights each windowless mode ends at once,
        // saying so; the window says so itself.
        if (const int refused = RequireAdministratorRights(NameOfMode(mode)))
            return refused;
        // One run at a time, whatever the mode: while another run is going a
        // windowless mode changes nothing and exits, the window says so itself.
        if (!TakeSingleRunGuard())
            return kExitAnotherRunActive;
    }
    if (IsWindowlessMode(mode))
        return RunWindowlessMode(mode, GetCommandLineW());

    // The unattended pass after a restart: no window, and no COM loaded.
    if (mode == ProgramMode::SecondPass) {
        TheRunFlags().secondPass = 1;
        RunRepair(nullptr);
        ExitProcess(0);
    }
    TheRunFlags().secondPass = 0;
    return RunProgram(RunRepair);
}
