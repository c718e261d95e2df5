#pragma once

#include <cstddef>

// The FileVersion text each baseline file carries on an edition's release
// build, as the index generator read it from that edition's reference
// installation. Rows are grouped by edition.
struct VersionBaselineRow {
    const wchar_t* edition;
    const wchar_t* fileName;
    const wchar_t* version;
};

extern const VersionBaselineRow* const VersionBaseline;
extern const size_t VersionBaselineRowCount;
