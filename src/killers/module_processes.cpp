#include "killers/module_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "app/run_log.h"
#include "common/unique_resource.h"
#include "killers/network_module_changes.h"

namespace {

// Ending one of these stops Windows: a process of theirs that holds the DLL
// keeps it until the restart, which deletes it.
constexpr const wchar_t* kCriticalProcesses[] = {L"csrss.exe", L"winlogon.exe", L"services.exe",
                                                 L"lsass.exe", L"smss.exe"};

constexpr char kCriticalHolderLabel[] = "system process keeps the DLL until the restart\t";

bool IsCriticalProcess(const wchar_t* image) {
    // Some systems report the image with its folder.
    const wchar_t* name = image;
    for (const wchar_t* c = image; *c != L'\0'; ++c)
        if (*c == L'\\' || *c == L'/')
            name = c + 1;
    for (const wchar_t* critical : kCriticalProcesses)
        if (lstrcmpiW(name, critical) == 0)
            return true;
    return false;
}

UniqueFile ModuleSnapshot(DWORD processId) {
#ifdef _WIN64
    // The 32-bit modules of a WOW64 process are listed only when asked for.
    UniqueFile both(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    if (both || GetLastError() != ERROR_INVALID_PARAMETER)
        return both;
#endif
    return UniqueFile(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
}

// Whether the process has loaded a module of exactly this file name.
bool HasModule(DWORD processId, const wchar_t* fileName) {
    UniqueFile modules = ModuleSnapshot(processId);
    if (!modules)
        return false;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(modules.get(), &module); more;
         more = Module32NextW(modules.get(), &module)) {
        if (lstrcmpiW(module.szModule, fileName) == 0)
            return true;
    }
    return false;
}

} // namespace

void TerminateProcessesWithModule(const wchar_t* fileName) {
    UniqueFile processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes)
        return;
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof(process);
    for (BOOL more = Process32FirstW(processes.get(), &process); more;
         more = Process32NextW(processes.get(), &process)) {
        if (process.th32ProcessID == 0 || process.th32ProcessID == self ||
            !HasModule(process.th32ProcessID, fileName))
            continue;
        if (IsCriticalProcess(process.szExeFile))
            LogPathLine(kCriticalHolderLabel, process.szExeFile);
        else
            EndProcess(process.th32ProcessID, process.szExeFile);
    }
}
