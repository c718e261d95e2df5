#pragma once

#include <string>

#include "sysfile/repair_entry.h"

// Puts the good copy of each listed file in place (at the next start of
// Windows when the file is in use), then does what the file needs to work
// again: starts the input method programs and the shell, registers a driver,
// and logs the repair.
void ReplaceSystemFiles(const std::wstring& edition, const RepairEntries& entries);
