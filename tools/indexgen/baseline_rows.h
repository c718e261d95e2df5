#pragma once

#include <string>

// One row of the version baseline as C++ source, ready to be included in the
// table's initialiser: {L"edition", L"name", L"version"},
// Every character outside printable ASCII, and the quote, backslash and
// question mark, is written as an escape so the text survives any source
// encoding unchanged.
std::string BaselineRowSource(const std::wstring& edition, const std::wstring& fileName,
                              const std::wstring& version);
