#pragma once

#include <string>
#include <vector>

// Reads a whole file (opened for reading, sharing read and write, existing
// files only) in one read. False, with BYTES emptied, when the file cannot be
// opened, is empty, is 4 GB or larger, or does not read in full.
bool LoadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);
