#pragma once

#include <windows.h>

// Process-wide flags of the repair run, 32-bit integers used as booleans. Only
// the thread performing a run touches them while it runs; the dialog reads
// anythingFound after the completion message.
struct RunFlags {
    LONG restartRequired = 0;
    LONG secondPass = 0;
    LONG secondPassNeeded = 0;
    LONG anythingFound = 0;
};

RunFlags& TheRunFlags();

// The one way modules ask for a restart.
inline void RequireRestart() {
    TheRunFlags().restartRequired = 1;
}

// The one way modules leave a step to the unattended pass after the restart,
// which then judges the file again: the run writes the RunOnce entry and asks
// for the restart.
inline void RequireSecondPass() {
    TheRunFlags().secondPassNeeded = 1;
}
