#pragma once

#include <string>

// Makes LINK (a Windows path in this prefix, no blanks) a symbolic link of
// the Unix file system to the existing TARGET: under Wine it does what the
// links, junctions and mount points ordinary users can make do on Windows.
// Wine's CreateSymbolicLinkW makes nothing, so /bin/ln makes it; Wine starts
// Unix programs. True when LINK leads to TARGET afterwards.
bool MakeUnixLink(const std::wstring& link, const std::wstring& target);

// Removes the Unix link LINK itself. Under Wine, a rename or delete through
// the Windows calls acts on the file or folder the link leads to.
bool RemoveUnixLink(const std::wstring& link);
