#pragma once

#include <string>

#include "common/md5.h"

// Whether a file that a catalog entry names must stay where it is. A catalog
// entry is data that malware or damage can write, so it never costs the user a
// genuine system file. Protected is a file
// - whose path the running edition's system file index records, whatever its
//   content (a damaged system file is for the system file repair to replace),
// - whose content is a good copy that index records, wherever it lies,
// - that Windows' own file protection names, or
// - whose version resource names Microsoft as its maker. That text can be
//   forged, but a forger gains only that a DLL the repaired catalog no longer
//   loads stays on disk.
bool IsProtectedSystemFile(const std::wstring& path);

// Whether CONTENT is a good copy of a system file that the running edition's
// index records.
bool IsGoodCopyOfSystemFile(const Digest& content);

// Whether the file's version resource names Microsoft as its maker.
bool MadeByMicrosoft(const std::wstring& path);
