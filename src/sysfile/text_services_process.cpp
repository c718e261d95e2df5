#include "sysfile/text_services_process.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include "common/proc_address.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"

namespace {

// psapi.dll is no KnownDLL before Windows 7: linked by name, a copy planted
// beside the program would be loaded before any of its code runs. It is
// loaded from the system directory instead, and stays loaded.
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
GetModuleFileNameExFn ModuleFileNameEx() {
    static const GetModuleFileNameExFn function = [] {
        const std::wstring systemDir = SystemDirectoryWithSlash();
        const HMODULE psapi =
            systemDir.empty() ? nullptr : LoadLibraryW((systemDir + L"psapi.dll").c_str());
        return psapi ? ProcAddress<GetModuleFileNameExFn>(psapi, "GetModuleFileNameExW") : nullptr;
    }();
    return function;
}

bool IsTextServicesProcess(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (!process)
        return false;
    wchar_t image[MAX_PATH] = {};
    const GetModuleFileNameExFn moduleFileName = ModuleFileNameEx();
    if (!moduleFileName || moduleFileName(process.get(), nullptr, image, MAX_PATH) == 0)
        return false;
    image[MAX_PATH - 1] = L'\0';
    return StrStrIW(image, L"ctfmon.exe") != nullptr;
}

} // namespace

DWORD FindTextServicesProcess() {
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    DWORD found = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        // Only processes whose image is named like the text services program
        // are opened to read their full image path: opening every process
        // of the system made each walk cost many times the walk itself.
        if (StrStrIW(entry.szExeFile, L"ctfmon.exe") == nullptr)
            continue;
        if (IsTextServicesProcess(entry.th32ProcessID))
            found = entry.th32ProcessID;
    }
    return found;
}
