#pragma once

#include <string>
#include <string_view>

// Converts wide text with the calling thread's ANSI code page, the form in which
// file paths appear in the run log.
std::string ToNarrow(std::wstring_view text);
