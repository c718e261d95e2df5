#pragma once

#include <string>

// The language bar and Chinese layout defaults ship as a registry script
// resource; this places it in the tool's data folder, where only
// administrators may write (the temporary folder of an elevated process is
// its user's own), and lets the Windows directory's registry editor import it.

// "<tool data folder>\IMEFIX.REG"; empty when the folder cannot be had.
std::wstring InputMethodScriptPath();

// Imports the script only when the file holds what the program wrote, and
// keeps it from being changed until the registry editor has ended (or a
// minute has passed).
void ImportInputMethodScript();

// The resource id of the script.
constexpr unsigned short kInputMethodScriptResource = 233;
