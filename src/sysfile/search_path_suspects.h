#pragma once

#include "sysfile/inject_suspects.h"

// Looks beside every program recorded in the shell's MUICache (outside the
// Windows directory) for files named like system DLLs that Windows' search
// order would load in place of the genuine ones. A file is a suspect when it is
// no PE image, cannot be opened, or was created within the last seven days.
// Adds each suspect to SUSPECTS; true when at least one was added.
bool FindSearchPathSuspects(InjectSuspectSet& suspects);
