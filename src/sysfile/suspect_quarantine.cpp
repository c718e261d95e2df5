#include "sysfile/suspect_quarantine.h"

#include <windows.h>

#include "app/run_flags.h"
#include "app/run_log.h"

namespace {

void Quarantine(const std::wstring& path) {
    const std::wstring quarantined = path + L".orvix";
    // The file is removed only once its copy exists: a suspect may yet be a
    // genuine file, and a failed copy must not lose it.
    const bool copied = CopyFileW(path.c_str(), quarantined.c_str(), FALSE) != FALSE;
    if (!copied || !DeleteFileW(path.c_str())) {
        MoveFileExW(path.c_str(), quarantined.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
        RequireRestart();
    }
    LogPathLine("Search Path Inject\t", path);
}

} // namespace

void QuarantineSuspects(const InjectSuspectSet& suspects) {
    for (const std::wstring& path : suspects)
        Quarantine(path);
}
