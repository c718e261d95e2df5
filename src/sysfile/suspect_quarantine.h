#pragma once

#include "sysfile/inject_suspects.h"

// Moves each suspect aside to its name with ".orvix" appended and logs it. A
// file in use is copied now and moved over its copy at the next start of
// Windows, and the run is asked for a restart. Each suspect is looked at
// again by handle first: one that is no longer there, is reached through a
// link, lies in the system's own folders or is no longer a suspect is left
// alone and not logged.
void QuarantineSuspects(const InjectSuspectSet& suspects);
