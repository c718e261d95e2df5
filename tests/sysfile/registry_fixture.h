#pragma once

#include <windows.h>

#include <string>

// Registry set-up for tests: each helper asserts nothing and reports failure
// through its result, so that a fixture can ASSERT on it.
bool SetStringValue(HKEY root, const std::wstring& subKey, const wchar_t* name,
                    const std::wstring& data);
bool SetDwordValue(HKEY root, const std::wstring& subKey, const wchar_t* name, DWORD data);
bool DeleteRegistryValue(HKEY root, const std::wstring& subKey, const wchar_t* name);
// Deletes the key with everything beneath it; true when it is gone afterwards.
bool DeleteRegistryTree(HKEY root, const std::wstring& subKey);
bool RegistryKeyExists(HKEY root, const std::wstring& subKey);

// The string data of a value (empty when unreadable); FOUND tells which.
std::wstring StringValue(HKEY root, const std::wstring& subKey, const wchar_t* name,
                         bool* found = nullptr);
// ~0u when missing or not a DWORD.
DWORD DwordValue(HKEY root, const std::wstring& subKey, const wchar_t* name);
