#include "sysfile/kill_file_mender.h"

#include "app/run_flags.h"
#include "app/run_log.h"
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
// A 32-bit program on 64-bit Windows checks no system file (see the index).
constexpr char kSystemFilesNotChecked[] = "64位系统上的32位程序不检查系统文件\r\n";

} // namespace

int CKillFileMender::Scan() {
    RepairList.clear();
    InjectSuspects.clear();

    FileVersions versions;
    bool found = FindSearchPathSuspects(InjectSuspects);
    if (RunsUnderWow64())
        TheRunLog().Append(kSystemFilesNotChecked);
    if (ScanDamagedFiles(RepairList, versions)) {
        RequireRestart();
        found = true;
    }
    if (!CheckInputMethods(inputMethods)) {
        TheRunLog().Append(kInputMethodsNotRunning);
        found = true;
    }
    if (CheckVersionBaseline(RepairList, versions)) {
        RequireRestart();
        found = true;
    }
    if (!WinlogonShellIsSound()) {
        TheRunLog().Append(kDesktopIconsGone);
        found = true;
    }
    return found ? 1 : 0;
}

int CKillFileMender::Repair() {
    ReplaceSystemFiles(EditionKey(), RepairList);
    QuarantineSuspects(InjectSuspects);
    if (!CheckInputMethods(inputMethods))
        RepairInputMethods(inputMethods);
    if (!WinlogonShellIsSound())
        RepairWinlogonShell();
    return 0;
}
