#pragma once

#include "sysfile/file_versions.h"
#include "sysfile/repair_entry.h"

// Looks at every file of the system file lists that is missing, no PE image or
// without a readable version resource, and lists those the running edition's
// index knows a good copy of, unless the file's content is that good copy
// already. The version texts it reads stay in VERSIONS. Ends early, answering false, at a file
// whose path key sorts after every record; what it listed before stays listed. True when the list
// is not empty after a complete scan.
bool ScanDamagedFiles(RepairEntries& repairList, FileVersions& versions);

// The files the scan looks at, in scan order: the system directory's, its
// "drivers\" folder's, then the Windows directory's.
std::vector<std::wstring> CheckedSystemFiles();
