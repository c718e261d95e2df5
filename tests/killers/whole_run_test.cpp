#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "app/run_log.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "support/child_process.h"
#include "sysfile/registry_fixture.h"
#include "support/test_files.h"

namespace {

// Answers "No" to every dialog box of other processes (the program's restart
// prompt), so that a first pass started from here runs to its end.
class OtherProcessPromptWatcher {
public:
    OtherProcessPromptWatcher() : thread_([this] { Watch(); }) {}
    ~OtherProcessPromptWatcher() {
        stop_ = true;
        thread_.join();
    }
    int Answered() const { return answered_; }

private:
    static BOOL CALLBACK Answer(HWND window, LPARAM context) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[64] = {};
        if (process != GetCurrentProcessId() && IsWindowVisible(window) &&
            GetClassNameW(window, className, ARRAYSIZE(className)) &&
            lstrcmpW(className, L"#32770") == 0 && PostMessageW(window, WM_COMMAND, IDNO, 0))
            ++reinterpret_cast<OtherProcessPromptWatcher*>(context)->answered_;
        return TRUE;
    }
    void Watch() {
        while (!stop_) {
            EnumWindows(Answer, reinterpret_cast<LPARAM>(this));
            Sleep(200);
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The run as a user meets it: a first pass that finds the package and asks for
// a restart, then the second pass that Windows starts after it.
TEST(WholeRun, FirstPassSchedulesTheSecondWhichRunsAfterTheRestart) {
    const std::wstring systemDir = SystemDirectoryWithSlash();
    ASSERT_TRUE(WriteWholeFile(systemDir + L"netpt32.dll", "companion"));
    const std::wstring log = LogFilePath(false);
    DeleteFileW(log.c_str());

    {
        OtherProcessPromptWatcher prompts;
        EXPECT_EQ(RunAndWait(L"\"" + ProgramUnderTest() + L"\"", 120000), 0u);
        EXPECT_GE(prompts.Answered(), 1) << "no restart prompt";
    }
    bool found = false;
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE,
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                          L"OrvixKillerTools", &found),
              L"\"" + ProgramUnderTest() + L"\" second_proc");
    EXPECT_TRUE(found);
    const std::string first = ReadWholeFile(log);
    EXPECT_EQ(Count(first, "StartTime:"), 1u);
    EXPECT_NE(first.find("find netpt32.dll\r\n修复无法连接云查杀服务器问题\r\n"), std::string::npos)
        << first;
    EXPECT_FALSE(FileExists(systemDir + L"netpt32.dll"));

    ASSERT_EQ(RunAndWait(systemDir + L"wineboot.exe -r", 120000), 0u);
    const std::string both = ReadWholeFile(log);
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_EQ(Count(both, "StartTime:"), 2u) << both;
    // The second pass finds nothing of the package again.
    EXPECT_EQ(Count(both, "find netpt32.dll"), 1u) << both;
    StringValue(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                L"OrvixKillerTools", &found);
    EXPECT_FALSE(found);
}

} // namespace
