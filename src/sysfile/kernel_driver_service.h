#pragma once

#include <string>

// Registers IMAGE_PATH as an on-demand kernel driver service named NAME (or
// opens the service when it exists already) and starts it. True when the
// service runs afterwards.
bool InstallKernelDriverService(const std::wstring& name, const std::wstring& imagePath);
