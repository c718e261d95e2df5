#include "killers/network_module_changes.h"

#include "journal/change_journal.h"
#include "common/unique_resource.h"

bool DeleteNowOrAtRestart(const std::wstring& path) {
    if (JournaledDeleteFile(path))
        return true;
    if (GetLastError() == ERROR_ACCESS_DENIED &&
        JournaledChangeFileAttributes(path, 0, kUndoneFileAttributes) && JournaledDeleteFile(path))
        return true;
    // The journal schedules only a file that is there.
    (void)DeleteAtRestart(path);
    return false;
}

bool DeleteAtRestart(const std::wstring& path) {
    // A read-only file would survive the deletion at the start.
    (void)JournaledChangeFileAttributes(path, 0, kUndoneFileAttributes);
    return JournaledMoveFile(path, L"", MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool EndProcess(DWORD processId, const std::wstring& image) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    return process && JournaledTerminateProcess(process.get(), processId, image, 0);
}
