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

// Compares two FileVersion texts by their leading four numbers
// ("6.1.7600.16385 (win7_rtm...)" is 6, 1, 7600, 16385; missing numbers count
// as 0): negative, zero or positive. "10.0.0.0" is newer than "8.0.0.0". A
// text that does not begin with a number is compared code unit by code unit
// (a proper prefix sorts first).
int CompareVersionText(const std::wstring& actual, const std::wstring& expected);
