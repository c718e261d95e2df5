#include "killers/infected_dll_replacement.h"

#include "killers/check_infection.h"
#include "killers/cybo_qq_file_changes.h"

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

    const std::wstring asidePath = dllPath + L".tmp3";
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
    RemoveFileAtRestart(aside);
    return true;
}
