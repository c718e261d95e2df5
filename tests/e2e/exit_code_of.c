/* Runs the command line that follows its own name with this program's
 * standard handles, waits for it, and prints its whole exit code to the
 * standard error: a Unix shell sees only the low byte of a Windows one, and
 * 3010 would read as 194. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

int wmain(void) {
    wchar_t* line = GetCommandLineW();
    /* Past this program's own name, quoted or not, and the blanks after it. */
    if (*line == L'"') {
        line = wcschr(line + 1, L'"');
        line = line ? line + 1 : L"";
    } else {
        while (*line && *line != L' ' && *line != L'\t')
            ++line;
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info;
    if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info)) {
        fprintf(stderr, "cannot start (error %lu)\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    fprintf(stderr, "exit code %lu\n", code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 0;
}
