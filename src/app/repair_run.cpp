#include "app/repair_run.h"

#include "app/exit_codes.h"
#include "app/restart_prompt.h"
#include "app/run_completion.h"
#include "app/run_report.h"
#include "app/second_pass_program.h"
#include "journal/change_journal.h"
#include "common/registry.h"
#include "common/unique_resource.h"
#include "killers/kill_cybo_qq.h"
#include "killers/kill_fake_netbios.h"
#include "killers/kill_risk_drivers.h"
#include "killers/winsock_catalog_image.h"
#include "sysfile/kill_file_mender.h"
#include "sysfile/run_digests.h"

#include <cwchar>

namespace {

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kRunOnceValue[] = L"OrvixKillerTools";

// Asks Windows to start this program once more, unattended, after the restart;
// whether the entry is written.
bool ScheduleSecondPass() {
    // Opened, never created: without the key there is no second pass.
    UniqueKey runOnce;
    if (OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_ALL_ACCESS, runOnce) != ERROR_SUCCESS)
        return false;
    runOnce.reset();
    const std::wstring program = PrepareSecondPassProgram();
    if (program.empty() || program.size() >= 512)
        return false;
    wchar_t command[600] = {};
    if (std::swprintf(command, ARRAYSIZE(command), L"\"%ls\" %ls", program.c_str(),
                      L"second_proc") < 0)
        return false;
    return JournaledSetString({HKEY_LOCAL_MACHINE, kRunOnceKey}, kRunOnceValue, command) ==
           ERROR_SUCCESS;
}

} // namespace

namespace repair_run {

size_t Begin(bool scanOnly) {
    RunFlags& flags = TheRunFlags();
    flags.secondPassNeeded = 0;
    flags.restartRequired = 0;
    // Digests of an earlier run in this process are not trusted in this one.
    ForgetRunDigests();

    SYSTEMTIME now = {};
    GetLocalTime(&now);
    const JournalMode mode = scanOnly           ? JournalMode::ScanOnly
                             : flags.secondPass ? JournalMode::SecondPass
                                                : JournalMode::Repair;
    BeginJournal(mode, now);
    // A catalog rewrite an earlier run began and never ended goes back first:
    // until then the machine may have no networking at all.
    if (!scanOnly)
        (void)WinsockCatalogImage().PutBackCutOffRewrite();
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
// found nothing. WRITTEN: whether the block reached the log file.
bool CloseLogBlock(size_t lengthBeforeModules, bool stopped, bool* written = nullptr) {
    RunLog& log = TheRunLog();
    const bool found = log.FindingsLength() != lengthBeforeModules;
    if (!found && !stopped)
        log.Append(kNothingFound);
    log.Append(kBlockSeparator);
    const bool wroteLog = log.WriteToFile();
    if (written)
        *written = wroteLog;
    return found;
}

bool End(size_t lengthBeforeModules, HWND dialog, RestartPrompt prompt) {
    RunFlags& flags = TheRunFlags();
    const bool stopped = StopRequested();
    // Arranged before the block is closed, so that a failure is in the log.
    if (!flags.secondPass && flags.secondPassNeeded) {
        flags.restartRequired = 1;
        if (!ScheduleSecondPass())
            NoteNotRepaired(std::wstring(L"HKLM\\") + kRunOnceKey + L"\t" + kRunOnceValue);
    }
    bool wroteLog = false;
    if (CloseLogBlock(lengthBeforeModules, stopped, &wroteLog))
        flags.anythingFound = 1;

    // After the last change of the run, so that it lists every one.
    TheRunReport().restartRequired = flags.restartRequired != 0;
    const bool wroteReport = WriteRunReport();
    if (!flags.secondPass && flags.restartRequired && !stopped && prompt == RestartPrompt::Shown)
        ShowRestartPrompt();
    PostRunCompletionOnce(dialog);
    return wroteLog && wroteReport;
}

int UnattendedExitCode(bool written) {
    if (!TheRunReport().notRepaired.empty())
        return kExitNotAllRepaired;
    if (!written)
        return kExitReportNotWritten;
    return TheRunFlags().restartRequired ? kExitRestartRequired : kExitSuccess;
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

int RunUnattendedRepair() {
    return RunUnattendedRepairWith<CKillRiskDrivers, CKillCyboQQ, CKillFakeNetBios,
                                   CKillFileMender>();
}

int RunScanOnly() {
    return RunScanOnlyWith<CKillRiskDrivers, CKillCyboQQ, CKillFakeNetBios, CKillFileMender>();
}
