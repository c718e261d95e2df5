#pragma once

#include <windows.h>

#include <string>

// The bytes of the program's own "BIN" resource ID, which live as long as the
// process. False when the resource is missing.
bool FindBinResource(WORD id, const unsigned char*& bytes, DWORD& size);

// Writes the program's "BIN" resource ID to a new file at PATH (see
// CreateOwnFile: a link there is never followed), the whole resource in one
// write. False, leaving no part of it behind, when the resource is missing or
// the file cannot be written.
bool WriteBinResourceToFile(WORD id, const std::wstring& path);
