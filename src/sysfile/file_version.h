#pragma once

#include <string>

// The FileVersion text of a file's version resource, trailing white space
// removed. With several translations, the last one's text counts; a missing
// or empty value is the empty string. False when the file has no readable
// version resource or no translation table (VERSION is then left as it was).
bool FileVersionString(const std::wstring& path, std::wstring& version);

// The same for any string value of the version resource (CompanyName,
// ProductName ...); VALUENAME is at most 30 characters.
bool FileVersionText(const std::wstring& path, const wchar_t* valueName, std::wstring& value);
