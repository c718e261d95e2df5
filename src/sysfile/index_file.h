#pragma once

#include <string>

// Writes the index resource of edition KEY to "filemender.idx" in the tool's
// data folder (creating the folders along it) and returns its path in PATH.
// False, touching no file, when the edition has no row. The file is created
// anew on every call; when the resource cannot be found or written, it is
// left empty, which loads as no index, so that an index of another edition
// never survives.
bool MaterialiseIndex(const std::wstring& key, std::wstring& path);
