#pragma once

#include <string>

// Puts a cleaned copy of the infected DLL at DLL_PATH in its place, made
// beside it as DLL_PATH ".tmp2". The DLL's name is never left empty: the copy
// replaces the DLL in one step; a DLL in use (which may be renamed, but not
// replaced or deleted) is first renamed to DLL_PATH ".tmp3" and put back
// under its name when the copy cannot take it; the aside copy is deleted at
// the next start where only administrators may change the folders along its
// path, and otherwise left to the pass after the restart.
// True when the cleaned copy carries the DLL's name.
bool ReplaceWithCleanedCopy(const std::wstring& dllPath);
