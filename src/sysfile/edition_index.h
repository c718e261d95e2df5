#pragma once

#include <string>

#include "sysfile/file_index.h"

// The index of edition KEY, taken from the program's own resource: the index
// file in the tool's data folder is written for others to read, never read
// back, since what is on disk may not be what the program wrote. False, with
// no index, for an edition without a row or without records.
bool LoadEditionIndex(const std::wstring& key, FileIndex& index);

// The index of the running edition. A 32-bit program on 64-bit Windows sees
// the 32-bit system folder in place of the system directory, and the Windows
// directory's programs are 64-bit: none of them is what the index describes,
// so it has no index there.
bool LoadRunningEditionIndex(FileIndex& index);
