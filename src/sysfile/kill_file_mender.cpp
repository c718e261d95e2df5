#include "sysfile/kill_file_mender.h"

#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/stop_request.h"
#include "common/windows_version.h"
#include "sysfile/damaged_file_scan.h"
#include "sysfile/edition_key.h"
#include "sysfile/input_method_check.h"
#include "sysfile/input_method_repair.h"
#include "sysfile/search_path_suspects.h"
#include "sysfile/suspect_quarantine.h"
#include "sysfile/system_file_replacement.h"
#include "sysfile/version_baseline_check.h"
#include "sysfile/winlogon_shell.h"

namespace {

constexpr char kInputMethodsNotRunning[] = "输入法程序未执行\r\n";
constexpr char kDesktopIconsGone[] = "按注册表项异常，导致桌面图标不见了\r\n";
// A 32-bit program on 64-bit Windows checks no system file (see the index):
// a note, no finding.
constexpr char kSystemFilesNotChecked[] = "64位系统上的32位程序不检查系统文件\r\n";

} // namespace

int CKillFileMender::Scan() {
    RepairList.clear();
    InjectSuspects.clear();

    // A stop ends the scan between its checks; the run then repairs nothing.
    FileVersions versions;
    bool found = FindSearchPathSuspects(InjectSuspects);
    if (RunsUnderWow64())
        TheRunLog().AppendNote(kSystemFilesNotChecked);
    if (!StopRequested() && ScanDamagedFiles(RepairList, versions)) {
        RequireRestart();
        found = true;
    }
    if (!StopRequested() && !CheckInputMethods(inputMethods)) {
        TheRunLog().Append(kInputMethodsNotRunning);
        found = true;
    }
    if (!StopRequested() && CheckVersionBaseline(RepairList, versions)) {
        RequireRestart();
        found = true;
    }
    if (!StopRequested() && !WinlogonShellIsSound()) {
        TheRunLog().Append(kDesktopIconsGone);
        found = true;
    }
    return found ? 1 : 0;
}

int CKillFileMender::Repair() {
    // Each repair is whole in itself; a stop ends the module between them.
    ReplaceSystemFiles(EditionKey(), RepairList);
    if (StopRequested())
        return 0;
    QuarantineSuspects(InjectSuspects);
    if (StopRequested())
        return 0;
    if (!CheckInputMethods(inputMethods))
        RepairInputMethods(inputMethods);
    if (StopRequested())
        return 0;
    if (!WinlogonShellIsSound())
        RepairWinlogonShell();
    return 0;
}
