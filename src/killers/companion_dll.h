#pragma once

#include <string>

// The companion DLL the trojan infects beside a program it knows (by the
// program's file name, in any letter case), in the program's directory.
// False when the program is none of them or the DLL's path would not fit
// MAX_PATH.
bool CompanionDllPath(const wchar_t* programPath, std::wstring& dllPath);
