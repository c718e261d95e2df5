#include "sysfile/index_file.h"

#include <windows.h>

#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "sysfile/bin_resource_file.h"
#include "sysfile/edition_table.h"

bool MaterialiseIndex(const std::wstring& key, std::wstring& path) {
    path = ToolDataFile(L"filemender.idx", true);
    const int id = IndexResourceId(key);
    if (id == 0)
        return false;
    if (path.empty())
        return true;
    if (!WriteBinResourceToFile(static_cast<WORD>(id), path)) {
        // No index rather than another edition's, or a part of this one that
        // would end every scan early at a false end.
        UniqueFile emptied(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return true;
}
