#pragma once

#include <string>

// Puts a cleaned copy of the infected DLL at DLL_PATH in its place, made
// beside it as DLL_PATH ".tmp2". The DLL's name is never left empty: the copy
// replaces the DLL in one step; a DLL in use (which may be renamed, but not
// replaced or deleted) is first renamed to DLL_PATH ".tmp3", deleted at the
// next start, and put back under its name when the copy cannot take it.
// True when the cleaned copy carries the DLL's name.
bool ReplaceWithCleanedCopy(const std::wstring& dllPath);
