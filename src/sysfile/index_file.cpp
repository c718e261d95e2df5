#include "sysfile/index_file.h"

#include <windows.h>

#include "common/tool_folder.h"
#include "sysfile/bin_resource_file.h"
#include "sysfile/edition_table.h"

bool MaterialiseIndex(const std::wstring& key, std::wstring& path) {
    const int id = IndexResourceId(key);
    if (id == 0)
        return false;
    path = ToolDataFile(L"filemender.idx", true);
    if (!path.empty())
        WriteBinResourceToFile(static_cast<WORD>(id), path);
    return true;
}
