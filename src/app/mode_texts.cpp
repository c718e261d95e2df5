#include "app/mode_texts.h"

#include <cwchar>

#include "app/exit_codes.h"

namespace {

struct Text {
    const wchar_t* english;
    const wchar_t* chinese;
    const wchar_t* In(bool chinese) const { return chinese ? this->chinese : english; }
};

struct ModuleTitle {
    const wchar_t* module;
    Text title;
};

const ModuleTitle kModuleTitles[] = {
    {L"CKillRiskDrivers",
     {L"the network filter driver package that keeps the cloud scanning server out of reach",
      L"修复无法连接云查杀服务器问题"}},
    {L"CKillCyboQQ",
     {L"files damaged by the QQ infecting trojan", L"修复被赛博qq感染型木马破坏的文件"}},
    {L"CKillFakeNetBios", {L"the NetBios.sys trojan", L"清除NetBios.sys木马"}},
    {L"CKillFileMender",
     {L"damaged system files, input methods, the Winlogon shell or DLLs planted beside programs",
      L"修复被破坏的系统文件"}},
};

const wchar_t* ModuleTitleOf(const std::wstring& module, bool chinese) {
    for (const ModuleTitle& entry : kModuleTitles)
        if (module == entry.module)
            return entry.title.In(chinese);
    return module.c_str();
}

const wchar_t* ModeSwitch(const std::wstring& mode) {
    if (mode == L"scan")
        return L"/scanonly";
    if (mode == L"undo")
        return L"/undo";
    if (mode == L"second-pass")
        return L"second_proc";
    return L"/repair";
}

std::wstring ExitMeaning(const std::wstring& mode, int exitCode, bool chinese) {
    const bool scan = mode == L"scan", undo = mode == L"undo";
    switch (exitCode) {
    case kExitSuccess:
        return scan ? Text{L"nothing found", L"未发现异常"}.In(chinese)
               : undo ? Text{L"nothing is left to put back", L"没有需要恢复的更改"}.In(chinese)
                      : Text{L"nothing found, or everything found was repaired",
                             L"未发现异常，或发现的问题均已修复"}
                            .In(chinese);
    case kExitNotAllRepaired:
        return scan   ? Text{L"something was found", L"发现异常"}.In(chinese)
               : undo ? Text{L"a conflict or a failure was left (see the log)",
                             L"有冲突或失败的恢复（见日志）"}
                            .In(chinese)
                      : Text{L"something found could not be repaired, or a change failed",
                             L"发现的问题未能全部修复，或某项更改失败"}
                            .In(chinese);
    case kExitUsage:
        return Text{L"no journal to undo, or the journal was refused",
                    L"没有可撤销的日志，或日志不可信"}
            .In(chinese);
    case kExitReportNotWritten:
        return Text{L"the log or last-run.json could not be written",
                    L"日志或 last-run.json 无法写入"}
            .In(chinese);
    case kExitRestartRequired:
        return Text{L"repaired; a restart finishes the repair", L"已修复，需要重启以完成修复"}.In(
            chinese);
    }
    return L"";
}

} // namespace

std::wstring UsageText(bool chinese, const std::wstring& unknown) {
    std::wstring text;
    if (!unknown.empty())
        text += std::wstring(Text{L"Not understood: ", L"无法识别的命令行："}.In(chinese)) +
                unknown + L"\n\n";
    if (chinese)
        text +=
            L"Tessaly系统文件修复工具 filemender.exe\n"
            L"\n"
            L"  filemender.exe             打开窗口，点击“开始修复”\n"
            L"  filemender.exe /repair     不显示窗口、不询问重启，完成与“开始修复”相同的修复；\n"
            L"                             需要时安排重启后的第二遍修复\n"
            L"  filemender.exe /scanonly   只检测，不更改任何内容\n"
            L"  filemender.exe /undo       撤销最近一次修复所做的更改\n"
            L"  filemender.exe /?          显示本说明\n"
            L"\n"
            L"退出代码：\n"
            L"  0     "
            L"未发现异常，或发现的问题均已修复（/scanonly：未发现异常；/undo：已全部恢复）\n"
            L"  1     发现的问题未能全部修复，或某项更改失败（/scanonly：发现异常；\n"
            L"        /undo：有冲突或失败）\n"
            L"  2     无法识别的命令行：未知参数，或同时指定了两种模式（/undo：没有可撤销的日志，\n"
            L"        或日志不可信）\n"
            L"  4     日志或 last-run.json 无法写入\n"
            L"  740   没有管理员权限\n"
            L"  1618  另一次运行正在进行\n"
            L"  3010  已修复，需要重启以完成修复\n"
            L"\n"
            L"结果：公共应用程序数据文件夹下 quillanTools\\Tools.log 和 "
            L"quillanTools\\last-run.json\n";
    else
        text +=
            L"Tessaly system file repair tool, filemender.exe\n"
            L"\n"
            L"  filemender.exe             the window: press start to repair\n"
            L"  filemender.exe /repair     the same repair with no window and no restart prompt;\n"
            L"                             a second pass after the restart is arranged when "
            L"needed\n"
            L"  filemender.exe /scanonly   looks and changes nothing\n"
            L"  filemender.exe /undo       puts back the changes of the last repair\n"
            L"  filemender.exe /?          this text\n"
            L"\n"
            L"Exit codes:\n"
            L"  0     nothing found, or everything found was repaired (/scanonly: nothing found;\n"
            L"        /undo: nothing is left to put back)\n"
            L"  1     something found could not be repaired, or a change failed\n"
            L"        (/scanonly: something was found; /undo: a conflict or a failure was left)\n"
            L"  2     the command line is not understood: an unknown argument or two modes at\n"
            L"        once (/undo: no journal to undo, or the journal was refused)\n"
            L"  4     the log or last-run.json could not be written\n"
            L"  740   no administrator rights\n"
            L"  1618  another run is active\n"
            L"  3010  repaired; a restart finishes the repair\n"
            L"\n"
            L"Results: quillanTools\\Tools.log and quillanTools\\last-run.json in the common\n"
            L"application data folder\n";
    return text;
}

std::wstring RunSummaryText(const RunReport& report, const std::vector<JournalChange>& changes,
                            const std::wstring& journal, const ResultFiles& files, int exitCode,
                            bool chinese) {
    wchar_t start[32] = {};
    std::swprintf(start, 32, L"%04u-%02u-%02u %02u:%02u:%02u", report.start.wYear,
                  report.start.wMonth, report.start.wDay, report.start.wHour, report.start.wMinute,
                  report.start.wSecond);
    std::wstring text = std::wstring(L"filemender ") + ModeSwitch(report.mode) + L"  " +
                        Text{L"started ", L"开始于 "}.In(chinese) + start + L"\n";

    if (report.mode != L"undo") {
        std::wstring found;
        for (const ModuleFinding& finding : report.modules)
            if (finding.found)
                found += std::wstring(L"  ") + ModuleTitleOf(finding.module, chinese) + L"\n";
        text += found.empty()
                    ? std::wstring(Text{L"Found: nothing", L"未发现异常"}.In(chinese)) + L"\n"
                    : std::wstring(Text{L"Found:", L"发现："}.In(chinese)) + L"\n" + found;
    } else if (!report.undoRefusal.empty()) {
        text +=
            std::wstring(Text{L"Nothing put back: ", L"未恢复任何更改："}.In(chinese)) +
            (report.undoRefusal == L"untrusted"
                 ? Text{L"the journal could have been written by others", L"日志可能被他人写过"}.In(
                       chinese)
                 : Text{L"no journal of a run that made changes", L"没有做过更改的修复日志"}.In(
                       chinese)) +
            L"\n";
    } else if (!report.undoneJournal.empty()) {
        text += std::wstring(Text{L"Put back: journal ", L"撤销日志 "}.In(chinese)) +
                report.undoneJournal + L"\n";
        for (const UndoResult& result : report.undoResults)
            text += L"  " + result.outcome + L"\t" + result.kind + L"\t" + result.target +
                    (result.name.empty() ? L"" : L"\t" + result.name) + L"\n";
    }

    if (!changes.empty()) {
        text += std::wstring(Text{L"Changes made: ", L"所做的更改："}.In(chinese)) +
                std::to_wstring(changes.size());
        if (!journal.empty())
            text += std::wstring(Text{L" (journal ", L"（日志 "}.In(chinese)) + journal +
                    (report.mode == L"undo"
                         ? Text{L")", L"）"}.In(chinese)
                         : Text{L"; /undo puts them back)", L"；/undo 可撤销）"}.In(chinese));
        text += L"\n";
        for (const JournalChange& change : changes)
            text += L"  " + change.kind + L"\t" + change.target +
                    (change.name.empty() ? L"" : L"\t" + change.name) + L"\n";
    } else if (report.mode != L"scan") {
        text += std::wstring(Text{L"Changes made: none", L"未做任何更改"}.In(chinese)) + L"\n";
    }

    if (!report.notRepaired.empty()) {
        text += std::wstring(Text{L"Not repaired:", L"未能修复："}.In(chinese)) + L"\n";
        for (const std::wstring& what : report.notRepaired)
            text += L"  " + what + L"\n";
    }
    if (report.restartRequired)
        text += std::wstring(Text{L"A restart of Windows finishes the repair.",
                                  L"需要重启 Windows 以完成修复。"}
                                 .In(chinese)) +
                L"\n";
    if (!files.log.empty())
        text += std::wstring(Text{L"Log:    ", L"日志：  "}.In(chinese)) + files.log + L"\n";
    if (!files.report.empty())
        text += std::wstring(Text{L"Report: ", L"报告：  "}.In(chinese)) + files.report + L"\n";
    text += std::wstring(Text{L"Exit code ", L"退出代码 "}.In(chinese)) +
            std::to_wstring(exitCode) + L": " + ExitMeaning(report.mode, exitCode, chinese) + L"\n";
    return text;
}
