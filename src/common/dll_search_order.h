#pragma once

// Takes the program's own folder and the current folder out of the search
// for DLLs loaded by name from now on: the program is often started from a
// folder its user writes (Downloads, the desktop), where anyone may have put a
// DLL of the same name as one the program or a system DLL loads later.
// Windows XP SP1 and later; where the system also offers it, the search is
// narrowed to the system directory and the program's own load paths. Safe to
// call more than once.
void UseSafeDllSearchOrder();
