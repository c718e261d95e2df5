#pragma once

#include <windows.h>

// Well-known folders and version facts, read once per process and kept until
// exit. Every path is empty when it could not be read; shell folders and the
// Program Files folder carry no trailing backslash, the Windows and system
// directories are as the system returns them.
struct SystemLocations {
    HMODULE module;
    DWORD osMajorVersion;
    DWORD osMinorVersion;
    BOOL wow64; // a 32-bit process on 64-bit Windows
    wchar_t modulePath[MAX_PATH];
    wchar_t moduleDirectory[MAX_PATH];
    wchar_t programFiles[MAX_PATH];
    wchar_t systemDirectory[MAX_PATH];
    wchar_t windowsDirectory[MAX_PATH];
    wchar_t commonAppData[MAX_PATH];
    wchar_t appData[MAX_PATH];
};

// The record, filled on the first call.
const SystemLocations& TheSystemLocations();

// The user's and the all-users desktop folders, read on the first request
// (and again while they could not be read).
const wchar_t* DesktopDirectory();
const wchar_t* CommonDesktopDirectory();

// A shell folder (a CSIDL value) without its trailing backslash; false, with
// FOLDER emptied, when the shell cannot name it. FOLDER holds MAX_PATH units.
bool ReadShellFolder(int csidl, wchar_t* folder);
