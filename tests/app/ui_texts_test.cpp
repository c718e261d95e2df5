#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/ok_dlg.h"
#include "app/run_progress.h"
#include "app/ui_language.h"
#include "app/ui_texts.h"
#include "sysfile/system_file_progress.h"

namespace {

TEST(UiLanguage, ChineseForEveryChineseLanguageEnglishForAnyOther) {
    const struct {
        LANGID language;
        UiLanguage expected;
    } cases[] = {
        {0x0804, UiLanguage::Chinese}, // Simplified, People's Republic
        {0x0404, UiLanguage::Chinese}, // Traditional, Taiwan
        {0x1004, UiLanguage::Chinese}, // Simplified, Singapore
        {0x0409, UiLanguage::English}, {0x0809, UiLanguage::English},
        {0x0411, UiLanguage::English}, // Japanese: English, not Chinese
        {0x0407, UiLanguage::English}, {0x0000, UiLanguage::English},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UiLanguageOf(c.language), c.expected) << std::hex << c.language;
}

// The customer-service label shows only with a number; the Chinese texts are
// those the window always showed.
TEST(ResultText, SaysHowTheRunEndedAndTheLabelOnlyWithANumber) {
    const struct {
        UiLanguage language;
        bool stopped;
        bool found;
        const wchar_t* number;
        const wchar_t* expected;
    } cases[] = {
        {UiLanguage::Chinese, false, false, L"12345", L"扫描完成，未发现异常。客服QQ:12345 "},
        {UiLanguage::Chinese, false, true, L"12345",
         L"扫描完成，已修复，详情查看扫描日志。客服QQ:12345 "},
        {UiLanguage::Chinese, true, false, L"", L"用户终止，未发现异常。"},
        {UiLanguage::Chinese, true, true, L"", L"用户终止，已修复，详情查看扫描日志。"},
        {UiLanguage::English, false, false, L"", L"Scan complete. No problems found."},
        {UiLanguage::English, true, true, L"12345",
         L"Stopped. Repaired; see the scan log for details. Support QQ: 12345 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(COKDlg::ResultText(c.language, c.stopped, c.found, c.number), c.expected);
    EXPECT_EQ(COKDlg::OfferText(UiLanguage::Chinese, true), L"启动《Tessaly》，检测其他威胁？");
    EXPECT_EQ(COKDlg::OfferText(UiLanguage::English, false),
              L"Download Tessaly to check for other threats?");
}

TEST(ProgressText, NamesTheStepAndCountsTheSystemFiles) {
    const struct {
        RunProgress progress;
        const wchar_t* chinese;
        const wchar_t* english;
    } cases[] = {
        {{RunStep::Starting, 0, 0, 0, 0}, L"正在扫描中。。。 ", L"Scanning..."},
        {{RunStep::FakeNetBios, 0, 0, 0, 0},
         L"正在检查NetBios.sys木马。。。",
         L"Checking for the fake NetBios.sys driver..."},
        {{RunStep::SystemFiles, 0, 0, 0, 0},
         L"正在检查系统文件。。。",
         L"Checking system files..."},
        {{RunStep::SystemFiles, 3, 38, 0, 0},
         L"正在检查系统文件：已检查 3/38",
         L"Checking system files: 3 of 38 checked"},
        {{RunStep::SystemFiles, 38, 38, 1, 2},
         L"正在修复系统文件：已检查 38/38，已下载 1/2",
         L"Repairing system files: 38 of 38 checked, 1 of 2 downloaded"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressText(UiLanguage::Chinese, c.progress), c.chinese);
        EXPECT_EQ(ProgressText(UiLanguage::English, c.progress), c.english);
    }
}

class MessageWindow {
public:
    MessageWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr)) {}
    ~MessageWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

int TakeProgressMessages(HWND window) {
    int count = 0;
    MSG message = {};
    while (PeekMessageW(&message, window, WM_REPAIR_PROGRESS, WM_REPAIR_PROGRESS, PM_REMOVE))
        ++count;
    return count;
}

// However often the run reports, the window hears of it a few times a second
// at most, and always finds the latest state.
TEST(RunProgressReport, PostsNoFasterThanItsIntervalAndKeepsTheLatest) {
    const MessageWindow window;
    ASSERT_TRUE(window.get());
    {
        RunProgressReport report(window.get());
        NoteRunStep(RunStep::SystemFiles);
        const DWORD start = GetTickCount();
        size_t reports = 0;
        while (GetTickCount() - start < 1200) {
            NoteFilesChecked(reports++, 100000);
            Sleep(1);
        }
        NoteCopiesFetched(1, 2);
        const DWORD elapsed = GetTickCount() - start;
        const int posted = TakeProgressMessages(window.get());
        EXPECT_GE(posted, 2);
        EXPECT_LE(posted, static_cast<int>(elapsed / kProgressPostIntervalMs) + 2)
            << reports << " reports in " << elapsed << " ms";
        const RunProgress latest = CurrentRunProgress();
        EXPECT_EQ(latest.step, RunStep::SystemFiles);
        EXPECT_EQ(latest.filesChecked, static_cast<unsigned>(reports - 1));
        EXPECT_EQ(latest.copiesFetched, 1u);
        EXPECT_EQ(latest.copiesToFetch, 2u);
    }
    // After the run, and in runs without a window, nobody listens.
    NoteRunStep(RunStep::CyboQQ);
    NoteFilesChecked(1, 2);
    {
        RunProgressReport windowless(nullptr);
        NoteRunStep(RunStep::FakeNetBios);
    }
    Sleep(kProgressPostIntervalMs + 50);
    NoteFilesChecked(2, 2);
    EXPECT_EQ(TakeProgressMessages(window.get()), 0);
    EXPECT_EQ(CurrentRunProgress().step, RunStep::SystemFiles);
}

} // namespace
