#pragma once

#include <windows.h>

// The id of a running text services process (one whose image name and main
// module's path contain "ctfmon.exe" in any letter case), the last one the
// process list names; 0 when none runs or none can be opened with all access.
DWORD FindTextServicesProcess();
