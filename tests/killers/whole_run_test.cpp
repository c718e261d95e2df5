#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

#include "app/run_log.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "common/win32_thread.h"
#include "support/child_process.h"
#include "support/program_windows.h"
#include "sysfile/registry_fixture.h"
#include "support/test_files.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The run as a user meets it: a first pass that finds the package and asks for
// a restart, then the second pass that Windows starts after it. The program
// was started from the user's own folder, and before the restart the user
// puts a program of theirs under its name: Windows runs the run's copy in the
// tool's folder, never theirs.
TEST(WholeRun, FirstPassSchedulesTheSecondWhichRunsAfterTheRestart) {
    const std::wstring systemDir = SystemDirectoryWithSlash();
    ASSERT_TRUE(WriteWholeFile(systemDir + L"netpt32.dll", "companion"));
    const std::wstring log = LogFilePath(false);
    DeleteFileW(log.c_str());
    CreateDirectoryW(L"C:\\Apps", nullptr);
    CreateDirectoryW(L"C:\\Apps\\Downloads", nullptr);
    const std::wstring started = L"C:\\Apps\\Downloads\\filemender.exe";
    ASSERT_TRUE(WriteWholeFile(started, ReadWholeFile(ProgramUnderTest())));
    DeleteFileW(L"C:\\recorded.txt");

    const program_windows::WindowedRun run =
        program_windows::RunFromWindow(L"\"" + started + L"\"", 120000, L"whole_run");
    EXPECT_TRUE(run.resultShown);
    EXPECT_GE(run.prompts, 1) << "no restart prompt";
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(IDCANCEL)) << "the window was closed";
    bool found = false;
    const std::wstring copy = L"C:\\ProgramData\\quillanTools\\filemender.exe";
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE,
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                          L"OrvixKillerTools", &found),
              L"\"" + copy + L"\" second_proc");
    EXPECT_TRUE(found);
    EXPECT_TRUE(ReadWholeFile(copy) == ReadWholeFile(ProgramUnderTest()));
    // The user's file is theirs to replace once the program has ended.
    ASSERT_TRUE(WriteWholeFile(started, ReadWholeFile(L"C:\\tools\\arg_recorder.exe")));
    const std::string first = ReadWholeFile(log);
    EXPECT_EQ(Count(first, "StartTime:"), 1u);
    EXPECT_NE(first.find("find netpt32.dll\r\n修复无法连接云查杀服务器问题\r\n"), std::string::npos)
        << first;
    EXPECT_FALSE(FileExists(systemDir + L"netpt32.dll"));

    {
        // The pass after the restart shows no window of its own.
        std::atomic<bool> restarted{false};
        std::atomic<bool> windowShown{false};
        JoinedThread watch([&] {
            while (!restarted) {
                if (program_windows::FindDialog(0, program_windows::kStartStopButton))
                    windowShown = true;
                Sleep(20);
            }
        });
        EXPECT_EQ(RunAndWait(systemDir + L"wineboot.exe -r", 120000), 0u);
        restarted = true;
        watch.Join();
        EXPECT_FALSE(windowShown);
    }
    const std::string both = ReadWholeFile(log);
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_EQ(Count(both, "StartTime:"), 2u) << both;
    // The second pass finds nothing of the package again.
    EXPECT_EQ(Count(both, "find netpt32.dll"), 1u) << both;
    StringValue(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                L"OrvixKillerTools", &found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(FileExists(L"C:\\recorded.txt")) << "the user's program ran at the restart";
}

} // namespace
