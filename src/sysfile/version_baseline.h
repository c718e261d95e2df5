#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The FileVersion text a system file carries on the release build of an
// edition: a file whose text sorts below it is older than the release build.
struct VersionBaselineRow {
    const wchar_t* edition;  // an edition key
    const wchar_t* fileName; // in the system directory
    const wchar_t* expectedVersion;
};

// The rows of one edition, in table order.
std::vector<VersionBaselineRow> VersionBaselineRowsFor(const std::wstring& edition);

// Ordinal comparison of version texts, code unit by code unit (a proper prefix
// sorts first): negative, zero or positive. Texts, not numbers: "…10000" sorts
// below "…5512".
int CompareVersionText(const std::wstring& actual, const std::wstring& expected);
