#pragma once

#include <string>

// The security suite's executable, "<Install Path>\orvix.exe", when the suite
// is installed and that file can be opened; empty otherwise. Filled once, by
// the main dialog's initialisation; read by the result dialog.
const std::wstring& SuiteExecutablePath();
void FindSuiteExecutable();

// What the suite is started with: its quick virus scan.
constexpr wchar_t kSuiteArgument[] = L"-do:ui_virscan_fast";
