#pragma once

#include <windows.h>

#include <string>

// Writes the program's "BIN" resource ID to PATH, replacing any earlier file:
// created with full access and no sharing, the whole resource in one write.
// False when the resource is missing or the file cannot be written.
bool WriteBinResourceToFile(WORD id, const std::wstring& path);
