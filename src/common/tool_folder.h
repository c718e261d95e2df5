#pragma once

#include <string>

// The tool keeps its files (run log, index, registry script) in "quillanTools"
// under the common application data folder, where ordinary users may create
// files and folders too. Returns the full path of NAME there, or an empty
// string when the folder cannot be determined. With createFolders, the folder
// is made ready for the elevated program to write in first (see
// PrepareToolFolder); when that fails, the result is empty too.
std::wstring ToolDataFile(const wchar_t* name, bool createFolders);

// Creates the directory named by the text before each backslash of PATH, from
// the left; failures (it exists, no access) are ignored.
void CreateDirectoriesAlong(const std::wstring& path);

// Makes FOLDER a place only administrators and SYSTEM can write to: a folder
// found there that others could have prepared (not a plain folder, reached
// through a link, owned or writable by others, holding a link or a file of
// more than one name) is moved aside under a numbered name and made anew with
// a DACL of its own. False when no such folder can be had.
bool PrepareToolFolder(const std::wstring& folder);
