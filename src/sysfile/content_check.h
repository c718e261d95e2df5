#pragma once

#include <string>

#include "common/md5.h"

enum class Content {
    GoodCopy,   // the digest of the whole content is the good one
    Other,      // read in full, with another digest
    Unreadable, // missing, or cannot be opened or read
};

// Compares the content of the file at PATH, read in pieces, with the good
// digest GOOD. A file of the system folders is hashed once per run
// (sysfile/run_digests.h).
Content CompareContent(const std::wstring& path, const Digest& good);
