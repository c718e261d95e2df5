#pragma once

// The exit codes of the windowless modes. Scripts, Group Policy and software
// distribution read them, so they keep their values; codes other than 0, 1
// and 2 are the Windows error numbers those tools already know.

// Nothing found, or everything found was repaired (or put back).
constexpr int kExitSuccess = 0;
// Something found could not be repaired, or a change failed (the journal
// says which); for /scanonly: something was found; for /undo: a conflict or
// a failure was left.
constexpr int kExitNotAllRepaired = 1;
// The command line is not understood; for /undo: no journal to undo, or one
// that could not be trusted.
constexpr int kExitUsage = 2;
// The run log or last-run.json could not be written: the run's outcome is
// nowhere to be read.
constexpr int kExitReportNotWritten = 4;
// ERROR_ELEVATION_REQUIRED: the program lacks administrator rights and ran
// nothing.
constexpr int kExitNoAdministratorRights = 740;
// ERROR_INSTALL_ALREADY_RUNNING: another run of the program is going on; this
// one changed nothing.
constexpr int kExitAnotherRunActive = 1618;
// ERROR_SUCCESS_REBOOT_REQUIRED: repaired, and a restart finishes the repair
// (a second pass is arranged or a file is replaced at the next start).
constexpr int kExitRestartRequired = 3010;
