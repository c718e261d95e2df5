#include "killers/module_processes.h"

#include <windows.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include "common/unique_resource.h"
#include "killers/network_module_changes.h"

namespace {

bool HasModule(DWORD processId, const wchar_t* text) {
    UniqueFile modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!modules)
        return false;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(modules.get(), &module); more;
         more = Module32NextW(modules.get(), &module)) {
        if (StrStrIW(module.szModule, text))
            return true;
    }
    return false;
}

} // namespace

void TerminateProcessesWithModule(const wchar_t* text) {
    UniqueFile processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes)
        return;
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof(process);
    for (BOOL more = Process32FirstW(processes.get(), &process); more;
         more = Process32NextW(processes.get(), &process)) {
        if (process.th32ProcessID != 0 && process.th32ProcessID != self &&
            HasModule(process.th32ProcessID, text))
            EndProcess(process.th32ProcessID, process.szExeFile);
    }
}
