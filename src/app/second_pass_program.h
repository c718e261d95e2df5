#pragma once

#include <string>

// The program that Windows starts for the pass after the restart, with an
// administrator's logon: never the file the user started, which is theirs to
// replace before the restart (and whose folder is theirs to put a DLL in),
// but a copy of this program in the tool's own folder, where only
// administrators may write. The copy is written from this process's own
// image file, held open since the process started so that nobody can rename
// or replace it, and read back by handle to be checked byte for byte.
// Returns the copy's full path, or an empty string when no such copy could
// be made (then there is no second pass).
std::wstring PrepareSecondPassProgram();
