#pragma once

#include <windows.h>

#include <string>

// The only changes CKillFakeNetBios makes to the machine, each recorded in the
// run's journal before it is made; a change that cannot be recorded is not made.

// "SYSTEM\CurrentControlSet\Services\NetBIOS" under HKEY_LOCAL_MACHINE.
extern const wchar_t kNetBiosServiceKey[];
extern const wchar_t kImagePathValue[];

// Writes the service's "ImagePath" as TYPE (REG_SZ or REG_EXPAND_SZ); the key
// must exist. Returns the Win32 error code.
[[nodiscard]] LONG WriteNetBiosImagePath(const std::wstring& imagePath, DWORD type);

// Deletes the driver file once, as it is, through DRIVER (opened with delete
// access; CONTENT and ATTRIBUTES are what it holds now): no attribute is
// changed and nothing is scheduled for the next start.
bool DeleteNetBiosDriver(const std::wstring& driverPath, HANDLE driver, const std::string& content,
                         DWORD attributes);
