#pragma once

#include <windows.h>

#include "app/main_dlg.h"

// The program as the user starts it: the main dialog until it is closed.
// Returns the dialog's result (1 or 2) as the exit code.
int RunProgram(RunRoutine run);
