#pragma once

#include <string>

// GetSystemDirectoryW and GetWindowsDirectoryW, each ending in a backslash;
// empty when the call fails.
std::wstring SystemDirectoryWithSlash();
std::wstring WindowsDirectoryWithSlash();

// PATH with a backslash appended when it does not end in one (empty stays empty).
std::wstring WithTrailingSlash(std::wstring path);
