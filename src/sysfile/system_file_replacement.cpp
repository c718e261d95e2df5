#include "sysfile/system_file_replacement.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "app/run_log.h"
#include "app/run_report.h"
#include "app/stop_request.h"
#include "sysfile/good_copy_replacement.h"
#include "sysfile/kernel_driver_service.h"
#include "sysfile/system_file_progress.h"

namespace {

constexpr char kMissingInputMethodProgram[] = "缺失的输入法程序\t";
constexpr char kDesktopIconsRepaired[] = "修复“桌面图标不见了”\t";
constexpr char kFileRepaired[] = "修复文件\t";

bool Contains(const std::wstring& path, const wchar_t* part) {
    return StrStrIW(path.c_str(), part) != nullptr;
}

void Start(const std::wstring& program) {
    ShellExecuteW(nullptr, nullptr, program.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// What a replaced file needs so that the desktop, the input methods or the
// driver it belongs to work again. A file whose replacement waits for the
// next start is still the old one: it is logged, but neither started nor
// registered, which would run it with administrator rights.
void FollowUp(const std::wstring& target, bool replaced) {
    if (Contains(target, L"ctfmon.exe")) {
        TheRunLog().Append(kMissingInputMethodProgram);
        if (replaced)
            Start(target);
    }
    if (Contains(target, L"conime.exe")) {
        TheRunLog().Append(kMissingInputMethodProgram);
        if (replaced)
            Start(target);
    }
    if (Contains(target, L"explorer.exe")) {
        TheRunLog().Append(kDesktopIconsRepaired);
        if (replaced)
            Start(target);
    }
    if (replaced && Contains(target, L"\\drivers\\"))
        InstallKernelDriverService(target.substr(target.rfind(L'\\') + 1), target);
    LogPathLine(kFileRepaired, target);
}

} // namespace

void ReplaceSystemFiles(const std::wstring& edition, const RepairEntries& entries) {
    size_t fetched = 0;
    NoteCopiesFetched(fetched, entries.size());
    for (const RepairEntry& entry : entries) {
        // Between whole replacements: a file is always the old or the new one.
        if (StopRequested())
            return;
        const Replacement replacement = ReplaceWithGoodCopy(edition, entry.target, entry.digest);
        if (replacement == Replacement::Done || replacement == Replacement::AtNextStart)
            FollowUp(entry.target, replacement == Replacement::Done);
        else if (replacement == Replacement::NotPlaced)
            NoteNotRepaired(entry.target);
        else // a copy that did not arrive is not logged, but it is not repaired either
            NoteNotRepaired(entry.target, NotRepairedLine::Left);
        NoteCopiesFetched(++fetched, entries.size());
    }
}
