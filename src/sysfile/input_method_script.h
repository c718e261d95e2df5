#pragma once

#include <string>

// The language bar and Chinese layout defaults ship as a registry script
// resource; this places it in the temporary folder and lets the registry
// editor import it, without waiting for the import.

// "<temporary folder>\IMEFIX.REG", or the bare name (relative to the current
// directory) when the temporary folder's path is unusually long.
std::wstring InputMethodScriptPath();

void ImportInputMethodScript();

// The resource id of the script.
constexpr unsigned short kInputMethodScriptResource = 233;
