#pragma once

#include "sysfile/inject_suspects.h"

// Moves each suspect aside to its name with ".orvix" appended (a copy no
// more readable than the original) and logs it by the path the check stored.
// Each suspect is looked at again by handle first: one that is no longer
// there, is reached through a link, lies in the system's own folders or is
// no longer a suspect, and one with more than one name, is left alone, and
// a line of its own says so. A file in use is copied now and moved over its
// copy at the next start of Windows only where nobody but administrators may
// change the folders along its path; elsewhere it is left for the pass after
// the restart (the run is asked for one), which finds it again and moves it
// by handle, or says that it is still in use.
void QuarantineSuspects(const InjectSuspectSet& suspects);
