#include "killers/network_module_changes.h"

#include "journal/change_journal.h"
#include "common/network_path.h"
#include "common/unique_resource.h"
#include "killers/checked_file.h"

bool DeleteNowOrAtRestart(const std::wstring& path) {
    // A catalog entry may name any path: one on a network is never opened.
    if (IsNetworkPath(path))
        return false;
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
    // A read-only file would survive the deletion at the start. The
    // attributes are recorded and cleared through a handle checked to lead to
    // this file alone: through a link or a second name they would be another
    // file's.
    return !IsNetworkPath(path) && JournaledChangeFileAttributes(path, 0, kUndoneFileAttributes) &&
           JournaledMoveFile(path, L"", MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool EndProcess(DWORD processId, const std::wstring& image) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    return process && JournaledTerminateProcess(process.get(), processId, image, 0);
}
