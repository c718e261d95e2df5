#include "sysfile/edition_index.h"

#include "sysfile/edition_key.h"
#include "sysfile/index_file.h"

bool LoadRunningEditionIndex(FileIndex& index) {
    std::wstring path;
    return MaterialiseIndex(EditionKey(), path) && index.Load(path);
}
