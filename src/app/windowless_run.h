#pragma once

#include "app/command_line_modes.h"

// The modes for scripts and administrators: /repair, /scanonly and /undo, and
// the help a command line asks for or earns. Each shows no window; a caller
// at a console or one that redirected the output reads a summary of what the
// mode found and changed (app/caller_output.h). Returns the process exit code
// (app/exit_codes.h). Every windowless mode starts here, so that what must
// hold before any of them runs is checked in one place.
int RunWindowlessMode(ProgramMode mode, const wchar_t* commandLine);

// Whether MODE is one of them.
bool IsWindowlessMode(ProgramMode mode);
