#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One catalog entry as the read-only enumeration lists it.
struct CatalogEntryInfo {
    int valid = 0;
    std::wstring path;     // the provider DLL, environment references resolved
    std::wstring guidText; // "{XXXXXXXX-...}", upper case
    GUID guid = {};
    int partlyDefault = 0; // the path or the GUID is a default one
    int fullyDefault = 0;  // both are (such entries are never listed)
};

using CatalogEntryList = std::vector<CatalogEntryInfo>;

// Appends every entry of the catalog in use that is not a default Windows
// provider, in the order the registry enumerates them; an entry whose item
// cannot be read (or is longer than 888 bytes) ends the walk. 1 when the
// catalog was read, 0 when its key or the current-catalog value could not be.
int EnumerateNonDefaultCatalogEntries(CatalogEntryList& list);

// 1 when a valid record has GUIDTEXT (any letter case); the first such record's
// path goes to PATH when one is given.
int FindCatalogEntryByGuid(const wchar_t* guidText, const CatalogEntryList& list,
                           std::wstring* path);

// 1 when PATH is one of the default DLLs in the system directory, else 1 when
// GUIDTEXT is a default provider GUID, else 0. FULLYDEFAULT is 1 when both are.
int IsDefaultProvider(const std::wstring& guidText, const std::wstring& path, int& fullyDefault);
