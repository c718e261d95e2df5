#include "support/child_process.h"

#include <vector>

UniqueHandle StartProcess(const std::wstring& commandLine) {
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return UniqueHandle();
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

DWORD WaitForExit(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, ~0u);
        WaitForSingleObject(process, 5000);
        return ~0u;
    }
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process, &exitCode);
    return exitCode;
}

DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
    const UniqueHandle process = StartProcess(commandLine);
    return process ? WaitForExit(process.get(), timeoutMs) : ~0u;
}
