#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The whole content of the open FILE, read from its start through the handle
// (never again by name, which may lead elsewhere by then); none when it is
// larger than LIMIT bytes or does not read in full.
std::optional<std::string> ContentOfFile(HANDLE file, LONGLONG limit);
