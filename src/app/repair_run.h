#pragma once

#include <windows.h>

#include <string_view>

#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/run_progress.h"
#include "app/stop_request.h"

// Posted to the main dialog when a run has ended by itself.
constexpr UINT WM_REPAIR_FINISHED = WM_USER + 100;

// Title lines the run writes before a module's repair lines (code page 936).
inline constexpr std::string_view kRiskDriversTitle = "修复无法连接云查杀服务器问题\r\n";
inline constexpr std::string_view kCyboQQTitle = "修复被赛博qq感染型木马破坏的文件\r\n";
inline constexpr std::string_view kFakeNetBiosTitle = "清除NetBios.sys木马\r\n";
inline constexpr std::string_view kFileMenderTitle = "修复被破坏的系统文件\r\n";
inline constexpr std::string_view kNothingFound = "未发现异常";
inline constexpr std::string_view kBlockSeparator =
    "\r\n=====================================================================\r\n\r\n";

inline constexpr std::string_view kScanOnlyMarker = "ScanOnly\r\n\r\n";

// The parts of a run around its modules.
namespace repair_run {

// Clears the flags of the previous run, heads the log with the start time
// (and, for a scan, the scan marker), starts the run's change journal and its
// report, and returns the log's findings length before the first module.
size_t Begin(bool scanOnly);

// Notes in the run's report whether MODULE found anything.
void NoteFinding(const wchar_t* module, bool found);

// Scans one module and, when it found something, logs its title and, unless
// the run only looks, repairs. Returns whether the scan reported a finding and
// the module went on; a stop requested before the scan or between the scan
// and the repair skips what is left of the module. The report notes whether
// the module found anything at all (a module may log a finding without
// reporting one; a note it logs is no finding).
template <class Module>
bool ScanAndRepair(Module& module, std::string_view title, const wchar_t* name, bool repair) {
    if (StopRequested())
        return false;
    const size_t before = TheRunLog().FindingsLength();
    const bool found = module.Scan() != 0;
    const bool goOn = found && !(repair && StopRequested());
    if (goOn) {
        TheRunLog().Append(title);
        if (repair)
            module.Repair();
    }
    NoteFinding(name, found || TheRunLog().FindingsLength() != before);
    return goOn;
}

// Whether the restart prompt follows a run that needs a restart: not for a
// run without a window, where the restart is the caller's to decide.
enum class RestartPrompt { Shown, Left };

// Closes the log block, writes it and the run's report, arranges the second
// pass and the restart prompt, and posts the completion message to DIALOG
// (when there is one and the stop has not posted it). After a stop the block
// records what was done and the second pass is still arranged when a repair
// left work for the restart, but the user is not asked to restart. Returns
// whether both the log block and the report were written.
bool End(size_t lengthBeforeModules, HWND dialog, RestartPrompt prompt = RestartPrompt::Shown);

// The exit code of a repair without a window that has ended; WRITTEN: whether
// its log block and report were written.
int UnattendedExitCode(bool written);

// Closes and writes the log block and the report of a scan; whether the scan
// found anything.
bool EndScan(size_t lengthBeforeModules);

// The four modules, constructed one after another in this order and all
// destroyed together after FINISH has run.
template <class RiskDrivers, class CyboQQ, class FakeNetBios, class FileMender, class Finish>
void RunModules(bool repair, Finish finish) {
    NoteRunStep(RunStep::RiskDrivers);
    RiskDrivers riskDrivers;
    if (ScanAndRepair(riskDrivers, kRiskDriversTitle, L"CKillRiskDrivers", repair) && repair)
        TheRunFlags().secondPassNeeded = 1;

    NoteRunStep(RunStep::CyboQQ);
    CyboQQ cyboQQ;
    ScanAndRepair(cyboQQ, kCyboQQTitle, L"CKillCyboQQ", repair);

    NoteRunStep(RunStep::FakeNetBios);
    FakeNetBios fakeNetBios;
    if (ScanAndRepair(fakeNetBios, kFakeNetBiosTitle, L"CKillFakeNetBios", repair) && repair)
        TheRunFlags().secondPassNeeded = 1;

    NoteRunStep(RunStep::SystemFiles);
    FileMender fileMender;
    ScanAndRepair(fileMender, kFileMenderTitle, L"CKillFileMender", repair);

    finish();
}

} // namespace repair_run

// One repair run over the four modules. Tests put their own modules in.
template <class RiskDrivers, class CyboQQ, class FakeNetBios, class FileMender>
int RunRepairWith(HWND dialog) {
    RunProgressReport progress(dialog);
    const size_t lengthBeforeModules = repair_run::Begin(false);
    repair_run::RunModules<RiskDrivers, CyboQQ, FakeNetBios, FileMender>(
        true, [&] { repair_run::End(lengthBeforeModules, dialog); });
    return 0;
}

// The whole repair of the window's start button without a window and without
// the restart prompt, the second pass arranged as from the window; the
// process exit code (app/exit_codes.h).
template <class RiskDrivers, class CyboQQ, class FakeNetBios, class FileMender>
int RunUnattendedRepairWith() {
    const size_t lengthBeforeModules = repair_run::Begin(false);
    bool written = false;
    repair_run::RunModules<RiskDrivers, CyboQQ, FakeNetBios, FileMender>(true, [&] {
        written = repair_run::End(lengthBeforeModules, nullptr, repair_run::RestartPrompt::Left);
    });
    return repair_run::UnattendedExitCode(written);
}

// Every module's scan and none of their repairs; the process exit code: 1 when
// something was found, else 0.
template <class RiskDrivers, class CyboQQ, class FakeNetBios, class FileMender>
int RunScanOnlyWith() {
    const size_t lengthBeforeModules = repair_run::Begin(true);
    bool found = false;
    repair_run::RunModules<RiskDrivers, CyboQQ, FakeNetBios, FileMender>(
        false, [&] { found = repair_run::EndScan(lengthBeforeModules); });
    return found ? 1 : 0;
}

// The run and the scan with the program's four killer modules.
int RunRepair(HWND dialog);
int RunUnattendedRepair();
int RunScanOnly();
