#pragma once

#include "sysfile/file_index.h"

// Materialises and loads the index of the running edition. False, with no
// index, for an edition without a row or an index that cannot be read.
bool LoadRunningEditionIndex(FileIndex& index);
