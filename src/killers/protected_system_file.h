#pragma once

#include <string>

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
