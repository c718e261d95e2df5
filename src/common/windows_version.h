#pragma once

#include <windows.h>

// GetVersionExW with the extended structure; false when the call fails.
bool QueryWindowsVersion(OSVERSIONINFOEXW& version);

// The major version, or 0 when it cannot be read (treated as an old system).
DWORD WindowsMajorVersion();
