#include "killers/network_module_changes.h"

#include "common/unique_resource.h"

bool DeleteNowAndAtRestart(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool deleted = DeleteFileW(path.c_str()) != FALSE;
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return deleted;
}

bool DeleteAtRestart(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool EndProcess(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    return process && TerminateProcess(process.get(), 0) != FALSE;
}
