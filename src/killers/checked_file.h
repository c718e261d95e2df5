#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/unique_resource.h"

// What the modules touch lies where others may plant links or swap a file
// between a check and its use: a file is only trusted through a handle that
// was checked, and every change is made through that handle, or while it
// holds the file in place.

// Opens PATH with ACCESS and SHARE (no link at its end followed) and keeps the
// handle only when it is a plain file of one name reached through no link
// along PATH; otherwise the result is invalid, with the last error
// ERROR_NOT_SUPPORTED when something was there but not such a file.
UniqueFile OpenCheckedFile(const std::wstring& path, DWORD access, DWORD share);

// Whether the two handles refer to the same file (its volume and file index).
bool SameFile(HANDLE first, HANDLE second);

// Opens FOLDER (no link at its end followed), shared with anyone but one who
// would rename, move or delete it, and keeps the handle only when it is a
// folder reached through no link: while it is held, the folder stays the one
// that was judged.
UniqueFile HoldFolder(const std::wstring& folder);
