#pragma once

#include <windows.h>

// Suppresses critical-error and open-file boxes while a path taken from the
// system is probed (a path may name an empty drive); the previous mode comes
// back when the guard ends.
class ErrorModeGuard {
public:
    ErrorModeGuard() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~ErrorModeGuard() { SetErrorMode(previous_); }
    ErrorModeGuard(const ErrorModeGuard&) = delete;
    ErrorModeGuard& operator=(const ErrorModeGuard&) = delete;

private:
    UINT previous_;
};
