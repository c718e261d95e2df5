#pragma once

#include <windows.h>

#include <string>

// The file and process changes the network module makes, each recorded in the
// change journal before it is made (its registry changes go through
// MachineRegistry, the network component removal through
// UninstallNetComponent).

// Deletes the file (clearing its attributes when they stand in the way, only
// where the name leads to a plain file of its own through no link); a file
// that cannot go now (one in use) is left for Windows to delete at the next
// start. A path on a network is never opened. True when the file is gone now.
bool DeleteNowOrAtRestart(const std::wstring& path);

// Clears the file's attributes and asks Windows to delete it at the next
// start; nothing is done where the name leads anywhere but to a plain file of
// its own (a link, a file with a second name).
bool DeleteAtRestart(const std::wstring& path);

// Ends the process with exit code 0; IMAGE names it in the journal.
bool EndProcess(DWORD processId, const std::wstring& image);
