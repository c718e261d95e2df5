#include "killers/infected_dll_replacement.h"

#include "app/run_flags.h"
#include "common/link_safe_file.h"
#include "common/network_path.h"
#include "common/path_others_may_change.h"
#include "killers/check_infection.h"
#include "killers/checked_file.h"
#include "killers/cybo_qq_file_changes.h"
#include "killers/leftover_aside_copy.h"

bool ReplaceWithCleanedCopy(const std::wstring& dllPath) {
    // The folder is held for the whole swap, so that it cannot be renamed or
    // replaced by a link between the check and the last rename, and each
    // rename happens only while it is still where the scan found the DLL.
    const size_t separator = dllPath.rfind(L'\\');
    if (separator == std::wstring::npos || IsNetworkPath(dllPath))
        return false;
    const std::wstring folderPath = dllPath.substr(0, separator == 2 ? 3 : separator);
    const UniqueFile folder = HoldFolder(folderPath);
    if (!folder)
        return false;
    const auto folderStays = [&] { return HandleIsAt(folder.get(), folderPath); };

    const wchar_t* dll = dllPath.c_str();
    const std::wstring cleanedPath = dllPath + L".tmp2";
    const wchar_t* cleaned = cleanedPath.c_str();
    if (!ClearFileAttributes(dll) || !ClearFileAttributes(cleaned))
        return false;
    RemoveFile(cleaned);
    if (!CheckInfection(dll, cleaned))
        return false;
    if (!folderStays()) {
        RemoveFile(cleaned);
        return false;
    }
    if (ReplaceFileWith(cleaned, dll))
        return true;

    const std::wstring asidePath = AsideCopyPath(dllPath);
    const wchar_t* aside = asidePath.c_str();
    if (!ClearFileAttributes(aside)) {
        RemoveFile(cleaned);
        return false;
    }
    RemoveFile(aside);
    if (!folderStays() || !RenameFile(dll, aside)) {
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
