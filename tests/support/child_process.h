#pragma once

#include <windows.h>

#include <string>

#include "common/unique_resource.h"

// Starts COMMAND_LINE; the handle of its process, or none when it could not
// be started.
UniqueHandle StartProcess(const std::wstring& commandLine);

// Waits for PROCESS and returns its exit code, or ~0u when it did not end
// within timeoutMs (it is then ended).
DWORD WaitForExit(HANDLE process, DWORD timeoutMs);

// Starts COMMAND_LINE and waits for it; returns its exit code, or ~0u when it
// could not be started or did not end within timeoutMs (it is then ended).
DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs);
