#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/unique_resource.h"

// Thin wrappers that compute byte sizes themselves (a character count passed
// where bytes are expected is the classic registry bug) and leave outputs
// untouched on failure. Each returns the Win32 error code.

[[nodiscard]] LONG OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueKey& key);
// Opens the key, creating it (and the keys above it) when it does not exist.
[[nodiscard]] LONG OpenOrCreateKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueKey& key);

// A REG_DWORD value; any other type or size is ERROR_INVALID_DATA.
[[nodiscard]] LONG ReadDword(HKEY key, const wchar_t* name, DWORD& value);

// A REG_SZ or REG_EXPAND_SZ value of at most maxChars characters including its
// terminator; a longer value is ERROR_MORE_DATA. Data without a terminator is
// cut at the buffer end, never read past it.
[[nodiscard]] LONG ReadString(HKEY key, const wchar_t* name, size_t maxChars, std::wstring& value);
// The same, and TYPE receives which of the two the value is.
[[nodiscard]] LONG ReadString(HKEY key, const wchar_t* name, size_t maxChars, std::wstring& value,
                              DWORD& type);

// REG_SZ with its terminating zero counted in the size.
[[nodiscard]] LONG WriteString(HKEY key, const wchar_t* name, std::wstring_view value);

[[nodiscard]] LONG WriteDword(HKEY key, const wchar_t* name, DWORD value);
