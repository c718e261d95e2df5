#include "killers/infected_dll_replacement.h"

#include "app/run_flags.h"
#include "common/path_others_may_change.h"
#include "killers/check_infection.h"
#include "killers/cybo_qq_file_changes.h"
#include "killers/leftover_aside_copy.h"

bool ReplaceWithCleanedCopy(const std::wstring& dllPath) {
    const wchar_t* dll = dllPath.c_str();
    const std::wstring cleanedPath = dllPath + L".tmp2";
    const wchar_t* cleaned = cleanedPath.c_str();
    ClearFileAttributes(dll);
    ClearFileAttributes(cleaned);
    RemoveFile(cleaned);
    if (!CheckInfection(dll, cleaned))
        return false;
    if (ReplaceFileWith(cleaned, dll))
        return true;

    const std::wstring asidePath = AsideCopyPath(dllPath);
    const wchar_t* aside = asidePath.c_str();
    ClearFileAttributes(aside);
    RemoveFile(aside);
    if (!RenameFile(dll, aside)) {
        RemoveFile(cleaned);
        return false;
    }
    if (!RenameFile(cleaned, dll)) {
        RenameFile(aside, dll);
        RemoveFile(cleaned);
        return false;
    }
    // A deletion at the next start goes by path, which a user may by then
    // have led elsewhere; the pass after the restart deletes it by handle.
    if (OthersMayChangeFoldersAlong(asidePath))
        RequireSecondPass();
    else
        RemoveFileAtRestart(aside);
    return true;
}
