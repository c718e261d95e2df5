#include "app/repair_run.h"

#include "app/restart_prompt.h"
#include "app/run_completion.h"
#include "common/registry.h"
#include "common/unique_resource.h"
#include "killers/kill_cybo_qq.h"
#include "killers/kill_fake_netbios.h"
#include "killers/kill_risk_drivers.h"
#include "sysfile/kill_file_mender.h"

#include <cwchar>

namespace {

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kRunOnceValue[] = L"OrvixKillerTools";

// Asks Windows to start this program once more, unattended, after the restart.
void ScheduleSecondPass() {
    UniqueKey runOnce;
    if (OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_ALL_ACCESS, runOnce) != ERROR_SUCCESS)
        return;
    wchar_t ownPath[512] = {};
    const DWORD length = GetModuleFileNameW(nullptr, ownPath, ARRAYSIZE(ownPath));
    if (length == 0 || length >= ARRAYSIZE(ownPath))
        return;
    wchar_t command[600] = {};
    if (std::swprintf(command, ARRAYSIZE(command), L"\"%ls\" %ls", ownPath, L"second_proc") < 0)
        return;
    (void)WriteString(runOnce.get(), kRunOnceValue, command);
}

} // namespace

namespace repair_run {

size_t Begin() {
    RunFlags& flags = TheRunFlags();
    flags.secondPassNeeded = 0;
    flags.restartRequired = 0;

    RunLog& log = TheRunLog();
    log.Assign(nullptr);
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    log.Format("StartTime:%i-%i-%i %i:%i:%i\r\n\r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond);
    return log.Length();
}

void End(size_t lengthBeforeModules, HWND dialog) {
    RunFlags& flags = TheRunFlags();
    RunLog& log = TheRunLog();
    const bool stopped = StopRequested();
    if (log.Length() != lengthBeforeModules)
        flags.anythingFound = 1;
    else if (!stopped) // a stopped run has not looked everywhere
        log.Append(kNothingFound);
    log.Append(kBlockSeparator);
    log.WriteToFile();

    if (!flags.secondPass) {
        if (flags.secondPassNeeded) {
            flags.restartRequired = 1;
            ScheduleSecondPass();
        }
        if (flags.restartRequired && !stopped)
            ShowRestartPrompt();
    }
    PostRunCompletionOnce(dialog);
}

} // namespace repair_run

int RunRepair(HWND dialog) {
    return RunRepairWith<CKillRiskDrivers, CKillCyboQQ, CKillFakeNetBios, CKillFileMender>(dialog);
}
