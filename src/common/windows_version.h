#pragma once

#include <windows.h>

// GetVersionExW with the extended structure; false when the call fails.
bool QueryWindowsVersion(OSVERSIONINFOEXW& version);

// The major version, or 0 when it cannot be read (treated as an old system).
DWORD WindowsMajorVersion();

// Whether this is a 32-bit process on 64-bit Windows, which sees the 32-bit
// system folder under the system directory's name.
bool RunsUnderWow64();

// Test seam: from now on RunsUnderWow64 answers yes. The tests run the 64-bit
// build, which never runs under WOW64; only a test build of the program calls
// this.
void PretendWow64();
