// Makes one run of the program from its window, as a user would, for the
// demo: presses start, answers the restart prompt No, reads and closes the
// result dialog, closes the window. Screenshots of both dialogs go to
// SCREENSHOT_DIR when it is set.
// Usage: window_driver.exe PROGRAM
// Prints what the result dialog said; exits 0 when the run showed its result
// and the window closed, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/program_windows.h"

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
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
