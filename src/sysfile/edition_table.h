#pragma once

#include <string>

// Each supported edition's system file index is the "BIN" resource of this id.
struct EditionRow {
    const wchar_t* key;
    int resourceId;
};

extern const EditionRow EditionTable[18];

// The index resource id for an edition key (exact, case-sensitive match of
// the whole key), or 0 when the edition has no row.
int IndexResourceId(const std::wstring& key);
