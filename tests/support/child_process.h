#pragma once

#include <windows.h>

#include <string>

// Starts COMMAND_LINE and waits for it; returns its exit code, or ~0u when it
// could not be started or did not end within timeoutMs (it is then ended).
DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs);
