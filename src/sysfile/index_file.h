#pragma once

#include <string>

// Writes the index resource of edition KEY to "filemender.idx" in the tool's
// data folder (made ready along the way) and returns its path in PATH, for
// whoever reads the file; the program itself never reads it back. False,
// touching no file, when the edition has no row. The file is created anew on
// every call when the name holds nothing or a file of the program's own;
// whatever else holds the name is left alone.
bool MaterialiseIndex(const std::wstring& key, std::wstring& path);
