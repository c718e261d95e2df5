#pragma once

#include <string>
#include <vector>

// Far above any file of the system file lists.
constexpr long long kWholeFileLimit = 64ll << 20;

// Reads a whole file (opened for reading, sharing read and write, existing
// files only) in one read. False, with BYTES emptied, when the file cannot be
// opened, is empty, is larger than kWholeFileLimit (its size is anyone's to
// claim, and is checked before anything is allocated), cannot be held in
// memory, or does not read in full.
bool LoadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);
