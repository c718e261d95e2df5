#pragma once

// Whether the process holds administrator rights: its token has the
// Administrators group enabled. On Vista and 7 only an elevated start has it;
// on XP and Server 2003 the manifest elevates nobody, and a limited user's
// start lacks it. Without it every repair would fail one by one.
bool HasAdministratorRights();

// The first call of every windowless mode (MODE names it in the log line,
// e.g. "/undo"): returns 0 when the process has administrator rights.
// Otherwise it logs that the mode needs them and did nothing, and returns
// kExitNoAdministratorRights, which the mode returns at once. The line goes
// to the run log when its file exists and can be written without making
// anything, and to the standard error the starter gave, if any.
int RequireAdministratorRights(const char* mode);

// Test seam: from now on HasAdministratorRights answers no. Wine always runs
// programs as an administrator; only a test build of the program calls this.
void PretendNoAdministratorRights();
