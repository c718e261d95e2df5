#pragma once

#include <windows.h>

#include <string>

// Whether PATH starts with a DOS header whose new-header offset (the 32-bit
// little-endian value at byte 60) leads to at least 24 readable bytes that
// begin with "PE". A file that cannot be opened is no PE image.
bool IsPeImage(const std::wstring& path);

// The same test on an open file (read access; its file pointer moves).
bool IsPeImageFile(HANDLE file);
