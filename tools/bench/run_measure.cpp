// Starts a command line, waits for it, and prints its wall time in
// milliseconds and its peak working set in KiB:  "<ms> <peak KiB> <exit code>".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/unique_resource.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: run_measure <program> [arguments...]\n");
        return 2;
    }
    // Arguments are passed as they were given, quoted only when they hold a
    // space: a switch the program looks for as plain text must stay plain.
    std::wstring commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += L' ';
        const bool quote = std::wcspbrk(argv[i], L" \t") != nullptr;
        if (quote)
            commandLine += L'"';
        commandLine += argv[i];
        if (quote)
            commandLine += L'"';
    }
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::fwprintf(stderr, L"cannot start: %ls (error %lu)\n", commandLine.c_str(),
                      GetLastError());
        return 1;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // Wine keeps no counters of a process that has ended: sample while it runs.
    SIZE_T peak = 0;
    while (WaitForSingleObject(process.get(), 5) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(process.get(), &counters, sizeof(counters)))
            peak = std::max(peak, std::max(counters.PeakWorkingSetSize, counters.WorkingSetSize));
    }
    QueryPerformanceCounter(&end);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                      static_cast<double>(frequency.QuadPart);
    std::printf("%.1f %llu %lu\n", ms, static_cast<unsigned long long>(peak / 1024), exitCode);
    return 0;
}
