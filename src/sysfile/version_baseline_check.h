#pragma once

#include "sysfile/repair_entry.h"

// Lists the system files that are older than the running edition's release
// build (their version text sorts below the baseline's), or carry its version
// text with other content than the index names. True when it listed any.
bool CheckVersionBaseline(RepairEntries& repairList);
