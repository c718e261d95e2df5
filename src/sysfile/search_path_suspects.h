#pragma once

#include "sysfile/inject_suspects.h"

// Looks beside every program recorded in the shell's MUICache (outside the
// Windows directory) for files named like system DLLs that Windows' search
// order would load in place of the genuine ones. A file is a suspect when it is
// no PE image, cannot be opened, or was created within the last seven days.
// Programs are looked at where they really are: a path through a link counts
// as the path it leads to. Adds each suspect to SUSPECTS in that form; true
// when at least one was added.
bool FindSearchPathSuspects(InjectSuspectSet& suspects);

// Whether a suspect's stored PATH (lower case, "\\?\" prefix, no link on the
// way) lies in the Windows or the system directory, whose files are never
// suspects. True when either folder cannot be determined.
bool LiesInSystemFolders(const std::wstring& path);
