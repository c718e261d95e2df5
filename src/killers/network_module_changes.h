#pragma once

#include <windows.h>

#include <string>

// The file and process changes the network module makes, each in one place
// (its registry changes go through MachineRegistry), so that each can be
// recorded before it is made.

// Clears the file's attributes, deletes it, and also asks Windows to delete
// whatever is at PATH at the next start (a file in use, or one a watchdog
// drops again). True when the file is gone now.
bool DeleteNowAndAtRestart(const std::wstring& path);

// Clears the file's attributes and asks Windows to delete it at the next start.
bool DeleteAtRestart(const std::wstring& path);

// Ends the process with exit code 0.
bool EndProcess(DWORD processId);
