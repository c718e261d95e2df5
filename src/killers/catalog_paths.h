#pragma once

#include <string>

#include "killers/catalog_item.h"

// The system's side of catalog paths: the process environment and the file
// system.

// %NAME% references expanded from the process environment (values up to 1024
// bytes; a longer one fails the expansion).
std::optional<std::string> ExpandPercentVariables(std::string_view text);

// Whether the DLL a catalog library path names exists: the path expanded as
// above, converted with the active code page and searched for along the
// system's search path, critical-error boxes suppressed. A directory is no DLL.
// FOUNDPATH, when given, receives the full path of the DLL found.
catalog::FileProbe ProbeProviderDll(const std::string& libraryPath,
                                    std::wstring* foundPath = nullptr);

// Narrow text of the active Windows code page as wide text; empty on failure.
std::wstring FromActiveCodePage(const std::string& text);

// Finds PATH along the system's search path for DLLs; empty when it is not
// found or the result does not fit MAX_PATH.
std::wstring SearchDll(const std::wstring& path);
