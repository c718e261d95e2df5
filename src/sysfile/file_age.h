#pragma once

#include <windows.h>

// Whether the file was created less than SECONDS ago, or claims a creation time
// in the future. Both times are compared as UTC file times: calendar fields of
// two different zones would shift the limit by the zone offset. A file whose
// times cannot be read counts as old.
bool CreatedWithin(HANDLE file, ULONGLONG seconds);

// Seven days: a planted DLL is usually younger, a shipped runtime older.
constexpr ULONGLONG kRecentFileSeconds = 604800;
