#include "support/child_process.h"

#include <vector>

#include "common/unique_resource.h"

DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return ~0u;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), ~0u);
        return ~0u;
    }
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}
