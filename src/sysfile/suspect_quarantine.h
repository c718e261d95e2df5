#pragma once

#include "sysfile/inject_suspects.h"

// Moves each suspect aside to its name with ".orvix" appended and logs it. A
// file in use is copied now and moved over its copy at the next start of
// Windows, and the run is asked for a restart.
void QuarantineSuspects(const InjectSuspectSet& suspects);
