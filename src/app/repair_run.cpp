#include "app/repair_run.h"

#include "app/restart_prompt.h"
#include "app/run_completion.h"
#include "app/run_report.h"
#include "journal/change_journal.h"
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
    // Opened, never created: without the key there is no second pass.
    UniqueKey runOnce;
    if (OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_ALL_ACCESS, runOnce) != ERROR_SUCCESS)
        return;
    runOnce.reset();
    wchar_t ownPath[512] = {};
    const DWORD length = GetModuleFileNameW(nullptr, ownPath, ARRAYSIZE(ownPath));
    if (length == 0 || length >= ARRAYSIZE(ownPath))
        return;
    wchar_t command[600] = {};
    if (std::swprintf(command, ARRAYSIZE(command), L"\"%ls\" %ls", ownPath, L"second_proc") < 0)
        return;
    (void)JournaledSetString({HKEY_LOCAL_MACHINE, kRunOnceKey}, kRunOnceValue, command);
}

} // namespace

namespace repair_run {

size_t Begin(bool scanOnly) {
    RunFlags& flags = TheRunFlags();
    flags.secondPassNeeded = 0;
    flags.restartRequired = 0;

    SYSTEMTIME now = {};
    GetLocalTime(&now);
    const JournalMode mode = scanOnly           ? JournalMode::ScanOnly
                             : flags.secondPass ? JournalMode::SecondPass
                                                : JournalMode::Repair;
    BeginJournal(mode, now);
    StartRunReport(scanOnly ? L"scan" : flags.secondPass ? L"second-pass" : L"repair", now);

    RunLog& log = TheRunLog();
    log.Assign(nullptr);
    log.Format("StartTime:%i-%i-%i %i:%i:%i\r\n\r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond);
    if (scanOnly)
        log.Append(kScanOnlyMarker);
    return log.FindingsLength();
}

void NoteFinding(const wchar_t* module, bool found) {
    TheRunReport().modules.push_back({module, found});
}

// Closes the log block and writes it; whether the modules logged anything
// but notes. A stopped run has not looked everywhere, so it does not say it
// found nothing.
bool CloseLogBlock(size_t lengthBeforeModules, bool stopped) {
    RunLog& log = TheRunLog();
    const bool found = log.FindingsLength() != lengthBeforeModules;
    if (!found && !stopped)
        log.Append(kNothingFound);
    log.Append(kBlockSeparator);
    log.WriteToFile();
    return found;
}

void End(size_t lengthBeforeModules, HWND dialog) {
    RunFlags& flags = TheRunFlags();
    const bool stopped = StopRequested();
    if (CloseLogBlock(lengthBeforeModules, stopped))
        flags.anythingFound = 1;

    if (!flags.secondPass) {
        if (flags.secondPassNeeded) {
            flags.restartRequired = 1;
            ScheduleSecondPass();
        }
    }
    // After the last change of the run, so that it lists every one.
    WriteRunReport();
    if (!flags.secondPass && flags.restartRequired && !stopped)
        ShowRestartPrompt();
    PostRunCompletionOnce(dialog);
}

bool EndScan(size_t lengthBeforeModules) {
    bool found = CloseLogBlock(lengthBeforeModules, false);
    for (const ModuleFinding& finding : TheRunReport().modules)
        found = found || finding.found;
    WriteRunReport();
    return found;
}

} // namespace repair_run

int RunRepair(HWND dialog) {
    return RunRepairWith<CKillRiskDrivers, CKillCyboQQ, CKillFakeNetBios, CKillFileMender>(dialog);
}

int RunScanOnly() {
    return RunScanOnlyWith<CKillRiskDrivers, CKillCyboQQ, CKillFakeNetBios, CKillFileMender>();
}
