#pragma once

// Windows starts without its desktop when the Winlogon "Userinit" or "Shell"
// value no longer names the genuine program.

// True when "Userinit" names userinit.exe and "Shell" names explorer.exe (any
// letter case, further text allowed); false when the key does not open.
bool WinlogonShellIsSound();

// Writes both values with the full paths of the genuine programs, whichever of
// them was wrong; writes nothing when the key does not open.
void RepairWinlogonShell();
