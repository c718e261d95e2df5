#pragma once

#include <string>

// The tool keeps its files (run log, index) in "quillanTools" under the common
// application data folder. Returns the full path of NAME there, or an empty
// string when the folder cannot be determined. With createFolders, every
// directory along the path is created first (failures ignored).
std::wstring ToolDataFile(const wchar_t* name, bool createFolders);

// Creates the directory named by the text before each backslash of PATH, from
// the left; failures (it exists, no access) are ignored.
void CreateDirectoriesAlong(const std::wstring& path);
