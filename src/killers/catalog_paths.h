#pragma once

#include <string>

#include "killers/catalog_item.h"

// The system's side of catalog paths: the system's own folders and settings,
// and the file system.

// %NAME% references expanded as the system defines them: SystemRoot and
// windir from the registry's own SystemRoot, SystemDrive from it,
// ProgramFiles and CommonProgramFiles from the machine's settings, any other
// name from the system environment (HKEY_LOCAL_MACHINE), never from this
// process's environment. Values up to 1024 bytes; a longer one, or one that
// cannot be told, fails the expansion.
std::optional<std::string> ExpandPercentVariables(std::string_view text);

// Whether the DLL a catalog library path names exists: the path expanded as
// above, converted with the active code page and searched for along the
// system's search path, critical-error boxes suppressed. A directory is no DLL.
// FOUNDPATH, when given, receives the full path of the DLL found.
catalog::FileProbe ProbeProviderDll(const std::string& libraryPath,
                                    std::wstring* foundPath = nullptr);

// Narrow text of the active Windows code page as wide text; empty on failure.
std::wstring FromActiveCodePage(const std::string& text);

// Finds the relative PATH in the system directory or else the Windows
// directory (never the program's or the current folder, never along PATH);
// empty when it is not found there or the result does not fit MAX_PATH.
std::wstring SearchDll(const std::wstring& path);
