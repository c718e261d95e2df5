#include "killers/kill_cybo_qq.h"

#include <windows.h>

#include <algorithm>

#include "app/run_log.h"
#include "app/stop_request.h"
#include "common/unique_com.h"
#include "killers/check_infection.h"
#include "killers/companion_dll.h"
#include "killers/infected_dll_replacement.h"
#include "killers/leftover_aside_copy.h"
#include "killers/started_programs.h"

namespace {

constexpr char kAsideCopyRemoved[] = "Infected DLL's aside copy removed\t";

// The trojan's targets are far smaller; a larger file is never read.
constexpr ULONGLONG kMaxDllSize = 0xA00000;

bool TooLargeToCheck(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    const ULONGLONG size = static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return size >= kMaxDllSize;
}

} // namespace

int CKillCyboQQ::Scan() {
    ComApartment com;
    infectedDlls_.clear();
    leftoverAsideCopies_.clear();
    ForEachStartedProgram([this](const wchar_t* program) { CheckProgram(program); });
    return !infectedDlls_.empty() || !leftoverAsideCopies_.empty();
}

void CKillCyboQQ::CheckProgram(const wchar_t* programPath) {
    std::wstring dll;
    if (StopRequested() || !CompanionDllPath(programPath, dll))
        return;
    const std::wstring aside = AsideCopyPath(dll);
    if (std::find(leftoverAsideCopies_.begin(), leftoverAsideCopies_.end(), aside) ==
            leftoverAsideCopies_.end() &&
        IsLeftoverAsideCopy(aside))
        leftoverAsideCopies_.push_back(aside);
    if (std::find(infectedDlls_.begin(), infectedDlls_.end(), dll) != infectedDlls_.end() ||
        TooLargeToCheck(dll))
        return;
    if (CheckInfection(dll.c_str()))
        infectedDlls_.push_back(dll);
}

int CKillCyboQQ::Repair() {
    for (const std::wstring& aside : leftoverAsideCopies_) {
        if (StopRequested())
            return 1;
        if (RemoveLeftoverAsideCopy(aside))
            LogPathLine(kAsideCopyRemoved, aside);
    }
    // One DLL at a time, each replaced whole; a stop ends the repair between them.
    for (const std::wstring& dll : infectedDlls_) {
        if (StopRequested())
            break;
        ReplaceWithCleanedCopy(dll);
    }
    return 1;
}
