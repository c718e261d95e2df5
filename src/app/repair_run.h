#pragma once

#include <windows.h>

#include <string_view>

#include "app/run_flags.h"
#include "app/run_log.h"
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

// The parts of a run around its modules.
namespace repair_run {

// Clears the flags of the previous run, heads the log with the start time,
// and returns the log length before the first module.
size_t Begin();

// Scans one module and, when it found something, logs its title and repairs.
// Returns whether it repaired. A stop requested before the scan or between
// the scan and the repair skips what is left of the module.
template <class Module> bool ScanAndRepair(Module& module, std::string_view title) {
    if (StopRequested() || !module.Scan() || StopRequested())
        return false;
    TheRunLog().Append(title);
    module.Repair();
    return true;
}

// Closes the log block, writes it, arranges the second pass and the restart
// prompt, and posts the completion message to DIALOG (when there is one and
// the stop has not posted it). After a stop the block records what was done
// and the second pass is still arranged when a repair left work for the
// restart, but the user is not asked to restart.
void End(size_t lengthBeforeModules, HWND dialog);

} // namespace repair_run

// One repair run over four modules, constructed one after another in this
// order and all destroyed together at the end. Tests put their own modules in.
template <class RiskDrivers, class CyboQQ, class FakeNetBios, class FileMender>
int RunRepairWith(HWND dialog) {
    const size_t lengthBeforeModules = repair_run::Begin();

    RiskDrivers riskDrivers;
    if (repair_run::ScanAndRepair(riskDrivers, kRiskDriversTitle))
        TheRunFlags().secondPassNeeded = 1;

    CyboQQ cyboQQ;
    repair_run::ScanAndRepair(cyboQQ, kCyboQQTitle);

    FakeNetBios fakeNetBios;
    if (repair_run::ScanAndRepair(fakeNetBios, kFakeNetBiosTitle))
        TheRunFlags().secondPassNeeded = 1;

    FileMender fileMender;
    repair_run::ScanAndRepair(fileMender, kFileMenderTitle);

    repair_run::End(lengthBeforeModules, dialog);
    return 0;
}

// The run with the program's four killer modules.
int RunRepair(HWND dialog);
