// Makes one run of the program from its window, as a user would, for the
// demo: presses start, answers the restart prompt No, reads and closes the
// result dialog, closes the window. Screenshots of both dialogs go to
// SCREENSHOT_DIR when it is set.
// Usage: window_driver.exe PROGRAM
// Prints what the result dialog said; exits 0 when the run showed its result
// and the window closed, 1 otherwise.
//        window_driver.exe --stop-latency ROUNDS COMMAND_LINE
// Starts a run ROUNDS times and presses stop once the run is busy; prints, per
// round, the milliseconds from the stop to the result dialog and to the
// window's return to idle after that dialog is answered.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/child_process.h"
#include "support/program_windows.h"
#include "support/test_files.h"

int MeasureStopLatency(int rounds, const std::wstring& commandLine) {
    using namespace program_windows;
    const StartedProgram started = StartAndWaitForMainDialog(commandLine, 60000);
    if (!started.main)
        return 1;
    for (int round = 0; round < rounds; ++round) {
        Click(started.main, kStartStopButton);
        if (!WaitForControlText(started.main, kStartStopButton, kStopText, 10000))
            return 1;
        Sleep(300); // well inside a step
        const DWORD stopped = GetTickCount();
        Click(started.main, kStartStopButton);
        HWND result = WaitForDialog(started.processId, kResultText, 10000);
        const DWORD shown = GetTickCount();
        if (!result)
            return 1;
        Click(result, IDCANCEL);
        const DWORD answered = GetTickCount();
        if (!WaitForControlText(started.main, kStartStopButton, kStartText, 10000))
            return 1;
        std::printf("%lu %lu\n", static_cast<unsigned long>(shown - stopped),
                    static_cast<unsigned long>(GetTickCount() - answered));
        std::fflush(stdout);
        Sleep(1500); // the stopped run finishes its step before the next start
    }
    Click(started.main, IDCANCEL);
    return WaitForExit(started.process.get(), 60000) == IDCANCEL ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"--stop-latency")
        return MeasureStopLatency(_wtoi(argv[2]), argv[3]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_driver.exe PROGRAM\n");
        return 2;
    }
    // Downloads of good copies can take a while on a slow file server.
    constexpr DWORD kRunTimeoutMs = 600000;
    const program_windows::WindowedRun run = program_windows::RunFromWindow(
        L"\"" + std::wstring(argv[1]) + L"\"", kRunTimeoutMs, L"demo");
    std::printf("main window shown: %s\n", run.mainDialogShown ? "yes" : "no");
    std::printf("restart prompts answered No: %d\n", run.prompts);
    std::printf("result: %s\n", Utf8(run.resultText).c_str());
    std::printf("offer:  %s\n", Utf8(run.offerText).c_str());
    std::printf("exit code: %lu\n", static_cast<unsigned long>(run.exitCode));
    std::fflush(stdout);
    return run.resultShown && run.exitCode == IDCANCEL ? 0 : 1;
}
