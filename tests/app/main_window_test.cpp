#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/run_log.h"
#include "common/endpoints.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "support/child_process.h"
#include "support/program_windows.h"
#include "support/test_files.h"
#include "window_fixture_items.h"

using namespace program_windows;

namespace {

constexpr wchar_t kRecorder[] = L"C:\\tools\\arg_recorder.exe";
constexpr wchar_t kRecorded[] = L"C:\\recorded.txt";
constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Orvix";
constexpr wchar_t kStoppedOpening[] = L"用户终止，";
constexpr DWORD kTimeoutMs = 120000;

void SetDefaultValue(const std::wstring& subKey, const std::wstring& value) {
    UniqueKey key;
    ASSERT_EQ(OpenOrCreateKey(HKEY_CLASSES_ROOT, subKey.c_str(), KEY_ALL_ACCESS, key),
              ERROR_SUCCESS);
    ASSERT_EQ(WriteString(key.get(), L"", value), ERROR_SUCCESS);
}

// Waits until the stand-in has recorded a command line holding PART.
bool Recorded(const std::string& part, DWORD timeoutMs = 15000) {
    const Deadline deadline(timeoutMs);
    do {
        if (ReadWholeFile(kRecorded).find(part) != std::string::npos)
            return true;
        Sleep(50);
    } while (!deadline.Passed());
    return false;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// A result text as the build shows it: the customer-service label only with
// a number, which test builds do not set.
std::wstring WithSupportNumber(const std::wstring& text) {
    const std::wstring number = FILEMENDER_SUPPORT_QQ;
    return number.empty() ? text : text + L"客服QQ:" + number + L" ";
}

bool UserSpeaksChinese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Screenshots of one language at one resolution: "<zh|en>_<dpi>dpi_<what>.bmp".
std::wstring ScreenshotPath(const wchar_t* what) {
    if (ScreenshotFolder().empty())
        return {};
    return ScreenshotFolder() + L"\\" + (UserSpeaksChinese() ? L"zh_" : L"en_") +
           std::to_wstring(ScreenDpi()) + L"dpi_" + what + L".bmp";
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

// Answers RESULT with cancel: the window returns to idle, with its after-run
// status line, and no second result dialog follows; then closes the window.
void AnswerResultAndClose(const StartedProgram& started, HWND result) {
    Click(result, IDCANCEL);
    EXPECT_TRUE(WaitForControlText(started.main, kStartStopButton, kStartText, 10000));
    EXPECT_EQ(ControlText(started.main, kStatusLine),
              L"请点击“开始修复”，立即检测缺少的文件，修复系统");
    EXPECT_TRUE(NoDialogFor(started.processId, kResultText, 1500)) << "a second result dialog";
    Click(started.main, IDCANCEL);
    EXPECT_EQ(WaitForExit(started.process.get(), kTimeoutMs), static_cast<DWORD>(IDCANCEL));
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(kRecorded);
        DeleteFileW(LogFilePath(false).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSuiteKey);
        // Web pages and the log open in the stand-in instead of a browser and
        // a text viewer.
        const std::wstring command = Quoted(kRecorder) + L" \"%1\"";
        SetDefaultValue(L"http\\shell\\open\\command", command);
        RegDeleteKeyW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\ddeexec");
        SetDefaultValue(L".log", L"FileMenderTest.log");
        SetDefaultValue(L"FileMenderTest.log\\shell\\open\\command", command);
    }

    static void InstallSuite(const std::wstring& folder, bool withProgram) {
        CreateDirectoryW(folder.c_str(), nullptr);
        if (withProgram) {
            ASSERT_TRUE(CopyFileW(kRecorder, (folder + L"\\orvix.exe").c_str(), FALSE));
        }
        UniqueKey key;
        ASSERT_EQ(OpenOrCreateKey(HKEY_LOCAL_MACHINE, kSuiteKey, KEY_ALL_ACCESS, key),
                  ERROR_SUCCESS);
        ASSERT_EQ(WriteString(key.get(), L"Install Path", folder), ERROR_SUCCESS);
    }
};

// Without administrator rights the window says so at once, and its button,
// disabled, starts no run even when a click reaches it.
TEST_F(MainWindow, WithoutAdministratorRightsTheWindowSaysSoAndStartsNothing) {
    const StartedProgram started =
        StartAndWaitForMainDialog(L"C:\\tools\\window_fixture.exe no-admin", kTimeoutMs);
    ASSERT_TRUE(started.main);
    EXPECT_EQ(ControlText(started.main, kStatusLine), L"需要管理员权限：请以管理员身份运行本程序");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(started.main, kStartStopButton)));
    Click(started.main, kStartStopButton);
    EXPECT_TRUE(NoDialogFor(started.processId, kResultText, 2000)) << "a run started";
    EXPECT_EQ(ControlText(started.main, kStartStopButton), kStartText);
    EXPECT_EQ(ControlText(started.main, kStatusLine), L"需要管理员权限：请以管理员身份运行本程序");
    EXPECT_EQ(GetFileAttributesW(LogFilePath(false).c_str()), INVALID_FILE_ATTRIBUTES);
    Click(started.main, IDCANCEL);
    EXPECT_EQ(WaitForExit(started.process.get(), kTimeoutMs), static_cast<DWORD>(IDCANCEL));
}

// How a run ended and whether the suite is there decide the result dialog's
// texts; OK starts the suite or opens its download. (A fresh Wine prefix
// always has findings, so the clean machine is the window fixture's.)
TEST_F(MainWindow, ResultDialogSaysHowTheRunEndedAndOffersTheSuite) {
    enum class Suite { None, Installed, ProgramMissing };
    const struct Case {
        const char* what;
        bool damage; // the program on a damaged machine, else the fixture on a clean one
        Suite suite;
        const wchar_t* result;
        const wchar_t* offer;
        const char* opened;
    } cases[] = {
        {"clean", false, Suite::None, L"扫描完成，未发现异常。", L"下载《Tessaly》，检测其他威胁？",
         "/download/tessaly_setup.exe"},
        {"clean_suite", false, Suite::Installed, L"扫描完成，未发现异常。",
         L"启动《Tessaly》，检测其他威胁？", "-do:ui_virscan_fast"},
        {"repaired", true, Suite::ProgramMissing, L"扫描完成，已修复，详情查看扫描日志。",
         L"下载《Tessaly》，检测其他威胁？", "/download/tessaly_setup.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.damage) { // the network package's companion: found, removed, restart asked
            ASSERT_TRUE(WriteWholeFile(SystemDirectoryWithSlash() + L"netpt32.dll", "companion"));
        }
        if (c.suite != Suite::None)
            InstallSuite(c.suite == Suite::Installed ? L"C:\\Orvix" : L"C:\\OrvixGone",
                         c.suite == Suite::Installed);

        const WindowedRun run = RunFromWindow(
            c.damage ? Quoted(ProgramUnderTest()) : L"C:\\tools\\window_fixture.exe clean",
            kTimeoutMs, std::wstring(c.what, c.what + std::strlen(c.what)), IDOK);
        ASSERT_TRUE(run.resultShown);
        EXPECT_EQ(run.resultText, WithSupportNumber(c.result)) << Utf8(run.resultText);
        EXPECT_EQ(run.offerText, c.offer);
        EXPECT_EQ(run.prompts, c.damage ? 1 : 0) << "the restart prompt";
        EXPECT_TRUE(Recorded(c.opened)) << ReadWholeFile(kRecorded);
        if (c.suite == Suite::Installed) {
            EXPECT_TRUE(Recorded("C:\\Orvix\\orvix.exe")) << ReadWholeFile(kRecorded);
        }
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(IDCANCEL));
    }
}

// The window speaks the user's language: Chinese on a Chinese Windows, as it
// always has, English on any other. The suite runs under both locales, at 96
// and at 120 dots per inch, and keeps screenshots of both dialogs.
TEST_F(MainWindow, CaptionButtonAndResultAreInTheUsersLanguage) {
    const struct Texts {
        const wchar_t* caption;
        const wchar_t* start;
        const wchar_t* idle;
        const wchar_t* homePage;
        const wchar_t* opening;
        const wchar_t* offer;
    } chinese = {L"Tessaly系统文件修复工具v1.4",
                 L"开始修复",
                 L"请点击“开始修复”，立即检测缺少的文件，修复系统",
                 L"Tessaly安全网",
                 L"扫描完成，",
                 L"下载《Tessaly》，检测其他威胁？"},
      english = {L"Tessaly System File Repair Tool v1.4",
                 L"Start repair",
                 L"Click \"Start repair\" to find missing files and repair the system",
                 L"Tessaly website",
                 L"Scan complete. ",
                 L"Download Tessaly to check for other threats?"};
    const Texts& expected = UserSpeaksChinese() ? chinese : english;

    const StartedProgram started =
        StartAndWaitForMainDialog(Quoted(ProgramUnderTest()), kTimeoutMs);
    ASSERT_TRUE(started.main);
    HWND main = started.main;
    EXPECT_EQ(WindowText(main), expected.caption);
    EXPECT_EQ(ControlText(main, kStartStopButton), expected.start);
    EXPECT_EQ(ControlText(main, kStatusLine), expected.idle);
    EXPECT_EQ(ControlText(main, 1011), expected.homePage);
    Sleep(300); // let it paint
    if (!ScreenshotPath(L"main").empty())
        SaveScreenshot(main, ScreenshotPath(L"main"));

    Click(main, kStartStopButton);
    std::set<HWND> answered;
    HWND result = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            AnswerPrompts(started.processId, answered);
            return (result = FindDialog(started.processId, kResultText)) != nullptr;
        },
        kTimeoutMs));
    const std::wstring resultText = ControlText(result, kResultText);
    EXPECT_EQ(resultText.rfind(expected.opening, 0), 0u) << Utf8(resultText);
    EXPECT_EQ(ControlText(result, kOfferText), expected.offer);
    Sleep(300);
    if (!ScreenshotPath(L"result").empty())
        SaveScreenshot(result, ScreenshotPath(L"result"));
    Click(result, IDCANCEL);
    EXPECT_TRUE(WaitForControlText(main, kStartStopButton, expected.start, 10000));
    EXPECT_EQ(ControlText(main, kStatusLine), expected.idle);
    Click(main, IDCANCEL);
    EXPECT_EQ(WaitForExit(started.process.get(), kTimeoutMs), static_cast<DWORD>(IDCANCEL));
}

// While a run goes, the status line tells the step it is in and, for the
// system files, how many have been checked and downloaded: here two missing
// files whose good copies a slow file server sends (Windows XP SP3 Chinese,
// the edition the test build carries an index of).
TEST_F(MainWindow, StatusLineFollowsTheRunToTheSystemFileStep) {
    for (const wchar_t* name : {L"ksuser.dll", L"sensapi.dll"}) {
        ASSERT_TRUE(DeleteFileW((SystemDirectoryWithSlash() + name).c_str()));
    }
    const StartedProgram started =
        StartAndWaitForMainDialog(Quoted(ProgramUnderTest()), kTimeoutMs);
    ASSERT_TRUE(started.main);
    HWND main = started.main;
    const std::wstring idle = ControlText(main, kStatusLine);
    Click(main, kStartStopButton);

    std::vector<std::wstring> texts;
    std::set<HWND> answered;
    HWND result = nullptr;
    bool shot = false;
    const Deadline deadline(kTimeoutMs);
    while (!result && !deadline.Passed()) {
        const std::wstring text = ControlText(main, kStatusLine);
        if (text != idle && (texts.empty() || texts.back() != text))
            texts.push_back(text);
        if (!shot && text.find(L"已下载 1/2") != std::wstring::npos) {
            if (!ScreenshotPath(L"running").empty())
                SaveScreenshot(main, ScreenshotPath(L"running"));
            shot = true;
        }
        AnswerPrompts(started.processId, answered);
        result = FindDialog(started.processId, kResultText);
        Sleep(10);
    }
    ASSERT_TRUE(result);
    std::string seen;
    for (const std::wstring& text : texts)
        seen += Utf8(text) + "\n";
    ASSERT_FALSE(texts.empty());
    EXPECT_GE(texts.size(), 3u) << "the status line changed less than twice:\n" << seen;
    EXPECT_NE(texts.back().find(L"系统文件"), std::wstring::npos) << seen;
    EXPECT_NE(texts.back().find(L"已下载 2/2"), std::wstring::npos) << seen;
    AnswerResultAndClose(started, result);
}

// Links follow the mouse at once, and a press on a link counts as a click
// wherever the button is released.
TEST_F(MainWindow, LinksTurnRedUnderTheMouseAndCountAPressReleasedOutside) {
    const StartedProgram started =
        StartAndWaitForMainDialog(Quoted(ProgramUnderTest()), kTimeoutMs);
    ASSERT_TRUE(started.main);
    const HANDLE program = started.process.get();
    const DWORD processId = started.processId;
    HWND main = started.main;
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF blue = RGB(48, 100, 165);
    const RECT link = ControlRect(main, kForumThreadLink);
    const int x = link.left + 20, y = (link.top + link.bottom) / 2;
    auto showsColour = [&](COLORREF colour) {
        for (int i = 0; i < 100; ++i) {
            if (PixelsOfColour(link, colour) > 0)
                return true;
            Sleep(30);
        }
        return false;
    };
    EXPECT_TRUE(showsColour(blue));
    EXPECT_EQ(PixelsOfColour(link, red), 0);

    MoveMouse(x, y);
    EXPECT_TRUE(showsColour(red)) << "red under the mouse";
    MoveMouse(x, link.bottom + 60);
    EXPECT_TRUE(showsColour(blue)) << "back when the mouse left";
    EXPECT_EQ(PixelsOfColour(link, red), 0);

    MoveMouse(x, y);
    MouseButton(true);
    MoveMouse(x, link.bottom + 60);
    MouseButton(false);
    EXPECT_TRUE(Recorded("/thread-1694-1-1.html")) << ReadWholeFile(kRecorded);

    // The result dialog's link opens the log of the run.
    Click(main, kStartStopButton);
    HWND result = WaitForDialog(processId, kResultText, kTimeoutMs);
    ASSERT_TRUE(result);
    const RECT logLink = ControlRect(result, kLogLink);
    MoveMouse(logLink.left + 10, (logLink.top + logLink.bottom) / 2);
    MouseButton(true);
    MouseButton(false);
    EXPECT_TRUE(Recorded("Tools.log")) << ReadWholeFile(kRecorded);
    EXPECT_TRUE(FindDialog(processId, kResultText)) << "the result dialog stays open";
    Click(result, IDCANCEL);
    EXPECT_TRUE(WaitForControlText(main, kStartStopButton, kStartText, 10000));
    Click(main, IDCANCEL);
    EXPECT_EQ(WaitForExit(program, kTimeoutMs), static_cast<DWORD>(IDCANCEL));
}

// A stop while the run's restart prompt is open ends the run there: the prompt
// goes (answered No), and one result dialog says the user stopped.
TEST_F(MainWindow, StopWhileTheRestartPromptIsOpenShowsOneStoppedResult) {
    ASSERT_TRUE(WriteWholeFile(SystemDirectoryWithSlash() + L"netpt32.dll", "companion"));
    const StartedProgram started =
        StartAndWaitForMainDialog(Quoted(ProgramUnderTest()), kTimeoutMs);
    ASSERT_TRUE(started.main);
    const DWORD processId = started.processId;
    HWND main = started.main;
    Click(main, kStartStopButton);
    HWND prompt = WaitForDialog(processId, IDNO, kTimeoutMs);
    ASSERT_TRUE(prompt) << "the restart prompt";
    EXPECT_FALSE(FindDialog(processId, kResultText));

    Click(main, kStartStopButton);
    HWND result = WaitForDialog(processId, kResultText, 10000);
    ASSERT_TRUE(result);
    EXPECT_FALSE(IsWindowVisible(prompt)) << "the prompt was answered";
    EXPECT_EQ(ControlText(result, kResultText).rfind(kStoppedOpening, 0), 0u);
    AnswerResultAndClose(started, result);
}

// The fixture's slow repairs, each item set back to its old state.
class SlowRepairs : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        CreateDirectoryW(L"C:\\fixture", nullptr);
        UniqueKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kFixtureKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        for (int i = 0; i < kFixtureItems; ++i) {
            ASSERT_TRUE(WriteWholeFile(FixtureFile(i), kFixtureOldContent));
            ASSERT_EQ(WriteString(key.get(), FixtureValueName(i).c_str(), kFixtureOldValue),
                      ERROR_SUCCESS);
        }
    }

    static std::wstring Value(int i) {
        UniqueKey key;
        std::wstring value = L"(missing)";
        if (OpenKey(HKEY_CURRENT_USER, kFixtureKey, KEY_READ, key) == ERROR_SUCCESS)
            (void)ReadString(key.get(), FixtureValueName(i).c_str(), 64, value);
        return value;
    }
    static std::string File(int i) { return ReadWholeFile(FixtureFile(i)); }

    static bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
        return WaitUntil(condition, timeoutMs, 5); // steps are short: look often
    }

    static std::wstring Fixture(DWORD stepMs) {
        return L"C:\\tools\\window_fixture.exe " + std::to_wstring(stepMs);
    }
};

// Enter starts a run and, pressed again in the middle of a file or a registry
// rewrite, stops it: the window returns at once, the step in progress ends
// whole, nothing after it is done, and closing the window waits for the step.
TEST_F(SlowRepairs, EnterStopsBetweenStepsAndNeverInsideOne) {
    const struct Case {
        const char* what;
        std::function<bool()> inStep; // true while the first step is half done
        const char* files[kFixtureItems];
        const wchar_t* values[kFixtureItems];
    } cases[] = {
        {"in a file rewrite",
         [] { return File(0) != kFixtureOldContent && File(0) != kFixtureNewContent; },
         {kFixtureNewContent, kFixtureOldContent, kFixtureOldContent, kFixtureOldContent},
         {kFixtureOldValue, kFixtureOldValue, kFixtureOldValue, kFixtureOldValue}},
        {"in a registry rewrite",
         [] { return Value(0) == L"(missing)"; },
         {kFixtureNewContent, kFixtureNewContent, kFixtureNewContent, kFixtureNewContent},
         {kFixtureNewValue, kFixtureOldValue, kFixtureOldValue, kFixtureOldValue}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        const StartedProgram started = StartAndWaitForMainDialog(Fixture(2000), kTimeoutMs);
        ASSERT_TRUE(started.main);
        const DWORD processId = started.processId;
        HWND main = started.main;

        PressEnter(main);
        EXPECT_TRUE(WaitForControlText(main, kStartStopButton, kStopText, 10000));
        ASSERT_TRUE(WaitFor(c.inStep, 30000));
        PressEnter(main);
        HWND result = WaitForDialog(processId, kResultText, 10000);
        ASSERT_TRUE(result);
        EXPECT_TRUE(c.inStep()) << "the window came back while the step was still running";
        EXPECT_EQ(ControlText(result, kResultText).rfind(kStoppedOpening, 0), 0u);
        if (!ScreenshotFolder().empty())
            SaveScreenshot(result, ScreenshotFolder() + L"\\stopped_result.bmp");
        AnswerResultAndClose(started, result);

        for (int i = 0; i < kFixtureItems; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(File(i), c.files[i]);
            EXPECT_EQ(Value(i), c.values[i]);
        }
    }
}

// Closing the window in the middle of a step ends the run there too, but the
// process ends only once the step is whole.
TEST_F(SlowRepairs, ClosingDuringARunWaitsForTheStepInProgress) {
    const StartedProgram started = StartAndWaitForMainDialog(Fixture(2000), kTimeoutMs);
    ASSERT_TRUE(started.main);
    const HANDLE program = started.process.get();
    HWND main = started.main;
    Click(main, kStartStopButton);
    ASSERT_TRUE(WaitFor([] { return File(1) != kFixtureOldContent; }, 30000));
    Click(main, IDCANCEL);
    EXPECT_EQ(WaitForExit(program, kTimeoutMs), static_cast<DWORD>(IDCANCEL));
    EXPECT_EQ(File(1), kFixtureNewContent);
    EXPECT_EQ(File(2), kFixtureOldContent);
    EXPECT_EQ(Value(0), kFixtureOldValue);
}

// A stop that reaches the window after the run has ended by itself (its
// completion is queued behind the stop) shows one result dialog, not two.
TEST_F(SlowRepairs, StopAfterTheRunEndedShowsOneResult) {
    const StartedProgram started = StartAndWaitForMainDialog(Fixture(200), kTimeoutMs);
    ASSERT_TRUE(started.main);
    const DWORD processId = started.processId;
    HWND main = started.main;
    const std::wstring log = LogFilePath(false);

    Click(main, kStartStopButton);
    ASSERT_TRUE(WaitForControlText(main, kStartStopButton, kStopText, 10000));
    // The window's thread is held while the run ends, so the stop is queued
    // before the run's own completion message. It is held between messages:
    // once it has shown the run's first progress, it has nothing to do until
    // it looks again after the post interval.
    const std::wstring scanning = ControlText(main, kStatusLine);
    ASSERT_TRUE(WaitFor([&] { return ControlText(main, kStatusLine) != scanning; }, 10000));
    Sleep(50);
    const UniqueHandle windowThread(
        OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(main, nullptr)));
    ASSERT_TRUE(windowThread);
    ASSERT_NE(SuspendThread(windowThread.get()), static_cast<DWORD>(-1));
    Click(main, kStartStopButton);
    const bool ended = WaitFor(
        [&] { return ReadWholeFile(log).find(std::string(69, '=')) != std::string::npos; }, 30000);
    Sleep(300); // the run posts its completion after writing the log
    ResumeThread(windowThread.get());
    ASSERT_TRUE(ended);

    HWND result = WaitForDialog(processId, kResultText, 10000);
    ASSERT_TRUE(result);
    EXPECT_EQ(ControlText(result, kResultText).rfind(kStoppedOpening, 0), 0u);
    AnswerResultAndClose(started, result);
}

} // namespace
