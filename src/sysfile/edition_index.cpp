#include "sysfile/edition_index.h"

#include <vector>

#include "common/windows_version.h"
#include "sysfile/bin_resource_file.h"
#include "sysfile/edition_key.h"
#include "sysfile/edition_table.h"
#include "sysfile/index_file.h"

bool LoadEditionIndex(const std::wstring& key, FileIndex& index) {
    const int id = IndexResourceId(key);
    if (id == 0)
        return false;
    std::wstring path;
    MaterialiseIndex(key, path);
    const unsigned char* bytes = nullptr;
    DWORD size = 0;
    if (!FindBinResource(static_cast<WORD>(id), bytes, size))
        return false;
    index.Assign(std::vector<unsigned char>(bytes, bytes + size));
    return index.RecordCount() > 0;
}

bool LoadRunningEditionIndex(FileIndex& index) {
    return !RunsUnderWow64() && LoadEditionIndex(EditionKey(), index);
}
