#pragma once

#include <string>
#include <vector>

// Whole-file helpers for test fixtures (byte strings, no conversion).
std::string ReadWholeFile(const std::wstring& path);
// Writes a new file and renames it over PATH, so that a file linked to the
// template prefix is never changed in place.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// The names in FOLDER, "." and ".." left out.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);

// Removes FOLDER with everything in it (a link goes, not what it leads to).
void RemoveTestFolder(const std::wstring& folder);

// An environment variable, or empty.
std::wstring Environment(const wchar_t* name);

// TEXT as UTF-8, for test messages.
std::string Utf8(const std::wstring& text);

// The program under test, copied into the prefix by the test wrapper.
std::wstring ProgramUnderTest();
