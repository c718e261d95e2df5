#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/exit_codes.h"
#include "app/run_log.h"
#include "app/single_run_guard.h"
#include "app/ui_texts.h"
#include "support/child_process.h"
#include "support/program_windows.h"
#include "support/test_files.h"

namespace {

using namespace program_windows;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Started suspended, so that two can be let go at the same moment.
UniqueHandle StartSuspended(const std::wstring& commandLine, UniqueHandle& thread) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info))
        return UniqueHandle();
    thread.reset(info.hThread);
    return UniqueHandle(info.hProcess);
}

std::wstring Program(const wchar_t* arguments) {
    return L"\"" + ProgramUnderTest() + L"\" " + arguments;
}

bool GuardExists() {
    UniqueHandle guard(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\TessalyFileMenderRun"));
    return static_cast<bool>(guard);
}

// Two scans started together. A scan takes a fraction of a second, so the
// first is held where it stands once it has the guard, and the second is let
// go while the first is still running.
TEST(SingleRun, TwoScansAtOnceOneRunsTheOtherSaysSoAndChangesNothing) {
    const std::wstring log = LogFilePath(false);
    bool held = false;
    for (int attempt = 0; attempt < 10 && !held; ++attempt) {
        DeleteFileW(log.c_str());
        UniqueHandle firstThread, secondThread;
        UniqueHandle first = StartSuspended(Program(L"/scanonly"), firstThread);
        UniqueHandle second = StartSuspended(Program(L"/scanonly"), secondThread);
        ASSERT_TRUE(first && second);
        ResumeThread(firstThread.get());
        WaitUntil([] { return GuardExists(); }, 30000, 1);
        SuspendThread(firstThread.get());
        held = WaitForSingleObject(first.get(), 0) == WAIT_TIMEOUT && GuardExists();
        if (!held) {
            // The first had already finished: once more.
            ResumeThread(firstThread.get());
            TerminateProcess(second.get(), 0);
            WaitForExit(first.get(), 120000);
            continue;
        }
        const std::string logBefore = ReadWholeFile(log);
        ResumeThread(secondThread.get());
        EXPECT_EQ(WaitForExit(second.get(), 120000), static_cast<DWORD>(kExitAnotherRunActive));
        EXPECT_TRUE(ReadWholeFile(log) == logBefore) << "the second scan wrote to the log";
        ResumeThread(firstThread.get());
        EXPECT_LE(WaitForExit(first.get(), 120000), 1u) << "the first scan ran";
        EXPECT_EQ(Count(ReadWholeFile(log), "StartTime:"), 1u) << "one block in the log";
    }
    EXPECT_TRUE(held) << "the first scan was never caught holding the guard";
}

// A window holds the guard as long as it is open: a windowless mode exits
// without a change, a second window says that a run is going and starts none.
TEST(SingleRun, WhileAWindowIsOpenNoOtherRunStarts) {
    const std::wstring log = LogFilePath(false);
    DeleteFileW(log.c_str());
    StartedProgram open = StartAndWaitForMainDialog(Program(L""), 60000);
    ASSERT_TRUE(open.main);

    for (const wchar_t* mode : {L"/scanonly", L"/undo", L"second_proc"}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(RunAndWait(Program(mode), 60000), static_cast<DWORD>(kExitAnotherRunActive));
        EXPECT_FALSE(FileExists(log));
    }

    StartedProgram second = StartAndWaitForMainDialog(Program(L""), 60000);
    ASSERT_TRUE(second.main);
    EXPECT_EQ(ControlText(second.main, kStatusLine),
              std::wstring(UiText(UiTextId::AnotherRunActive)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(second.main, kStartStopButton)));
    PostMessageW(second.main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForExit(second.process.get(), 60000), static_cast<DWORD>(IDCANCEL));

    PostMessageW(open.main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForExit(open.process.get(), 60000), static_cast<DWORD>(IDCANCEL));
    // Once the window has gone, a scan runs again.
    EXPECT_LE(RunAndWait(Program(L"/scanonly"), 120000), 1u);
}

} // namespace
