#pragma once

// Fails the test when Wine does not report the Windows version its CTest entry
// asked for (WINE_VERSION): a test of version-dependent behaviour would
// otherwise pass while looking at the wrong branch.
void ExpectRequestedWindowsVersion();
