#pragma once

#include "sysfile/file_versions.h"
#include "sysfile/repair_entry.h"

// Lists the system files that are older than the running edition's release
// build (their version text sorts below the baseline's), or carry its version
// text with other content than the index names; a file whose content is the
// good copy is never listed. Version texts come from VERSIONS, read there
// once. True when it listed any.
bool CheckVersionBaseline(RepairEntries& repairList, FileVersions& versions);
