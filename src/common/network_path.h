#pragma once

#include <string>

// Whether PATH lies on a network, or may: a UNC path ("\\host\share\..."), a
// device path other than a local drive's ("\\?\C:\..." is local), or a path on
// a drive letter mapped to a network share. Opening such a path, even to ask
// for its attributes, hands the administrator's credentials to the host.
bool IsNetworkPath(const std::wstring& path);
