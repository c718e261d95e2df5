// Every text the two dialogs can show fits the control that shows it, in both
// languages, at the screen resolution the test runs at (EXPECTED_DPI): the
// dialogs are made from the program's own templates, filled with the program's
// own texts, and each text is measured under the font its control draws with.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/dialog_ids.h"
#include "app/font_pool.h"
#include "app/main_dlg.h"
#include "app/modal_dialog.h"
#include "app/ok_dlg.h"
#include "app/run_progress.h"
#include "app/ui_texts.h"
#include "common/unique_resource.h"
#include "support/test_files.h"

namespace {

// The longest customer-service number a release may carry.
constexpr wchar_t kLongSupportNumber[] = L"12345678901";

const char* Name(UiLanguage language) {
    return language == UiLanguage::Chinese ? "Chinese" : "English";
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

struct WindowTraits {
    using Value = HWND;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { DestroyWindow(value); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

UniqueWindow MakeDialog(int resourceId, UiLanguage language) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const DLGTEMPLATE* dialogTemplate = DialogTemplate(instance, resourceId, language);
    if (!dialogTemplate)
        return UniqueWindow();
    return UniqueWindow(
        CreateDialogIndirectParamW(instance, dialogTemplate, nullptr, QuietDialog, 0));
}

bool IsLink(int control) {
    return control == IDC_FORUM_THREAD_LINK || control == IDC_HOME_PAGE_LINK ||
           control == IDC_FORUM_LINK || control == IDC_LOG_LINK;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

// What TEXT needs in CONTROL, drawn as the control draws it: links and the
// status line on one line, other static texts wrapped at the control's width,
// button texts on one line inside the button's edges.
struct Fit {
    SIZE needed;
    SIZE room;
};

Fit Measure(HWND control, const std::wstring& text) {
    RECT client = {};
    GetClientRect(control, &client);
    Fit fit = {{0, 0}, {client.right, client.bottom}};
    const int id = GetDlgCtrlID(control);
    HFONT font = IsLink(id) ? TvFontPool::Instance().GetFont(kFontLink)
                            : reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    const bool button = ClassOf(control) == L"Button";
    const bool oneLine = button || IsLink(id) || (style & SS_ELLIPSISMASK) != 0;
    RECT need = {0, 0, client.right, 0};
    DrawTextW(dc, text.c_str(), -1, &need,
              DT_CALCRECT | DT_NOPREFIX | (oneLine ? DT_SINGLELINE : DT_WORDBREAK));
    fit.needed = {need.right - need.left, need.bottom - need.top};
    if (button) { // the edges and the focus rectangle take their share
        fit.room.cx -= 4 * GetSystemMetrics(SM_CXEDGE) + 2;
        fit.room.cy -= 4 * GetSystemMetrics(SM_CYEDGE);
    }
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return fit;
}

void ExpectFits(HWND dialog, int id, const std::wstring& text) {
    HWND control = GetDlgItem(dialog, id);
    ASSERT_TRUE(control) << "control " << id;
    SetWindowTextW(control, text.c_str());
    const Fit fit = Measure(control, text);
    EXPECT_LE(fit.needed.cx, fit.room.cx) << "too wide in control " << id << ": " << Utf8(text);
    EXPECT_LE(fit.needed.cy, fit.room.cy) << "too high in control " << id << ": " << Utf8(text);
}

// The texts each control starts with, as the templates give them.
void ExpectResourceTextsFit(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[512] = {};
        if (GetWindowTextW(child, text, ARRAYSIZE(text)) > 0 && GetDlgCtrlID(child) > 0)
            ExpectFits(dialog, GetDlgCtrlID(child), text);
    }
}

// Every text of the table that a control shows alone, in DIALOG's controls.
void ExpectTableTextsFit(HWND dialog, UiLanguage language) {
    for (const UiTextForms& row : kUiTexts)
        if (row.control != kPartOfText && GetDlgItem(dialog, row.control))
            ExpectFits(dialog, row.control, UiTextIn(language, row.id));
}

// Each language has dialogs of its own; the Chinese ones are those the
// program always had.
TEST(DialogTemplate, EachLanguageHasItsOwnDialogs) {
    const struct {
        UiLanguage language;
        int dialog;
        int control;
        const wchar_t* caption;
        const wchar_t* text;
    } cases[] = {
        {UiLanguage::Chinese, IDD_MAIN, IDC_START_STOP, L"系统文件修复工具v1.4", L"开始修复"},
        {UiLanguage::English, IDD_MAIN, IDC_START_STOP, L"System File Repair Tool v1.4",
         L"Start repair"},
        {UiLanguage::Chinese, IDD_RESULT, IDOK, L"注意", L"确定"},
        {UiLanguage::English, IDD_RESULT, IDOK, L"Scan result", L"OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Name(c.language));
        const UniqueWindow dialog = MakeDialog(c.dialog, c.language);
        ASSERT_TRUE(dialog);
        wchar_t text[128] = {};
        GetWindowTextW(dialog.get(), text, ARRAYSIZE(text));
        EXPECT_STREQ(text, c.caption);
        GetDlgItemTextW(dialog.get(), c.control, text, ARRAYSIZE(text));
        EXPECT_STREQ(text, c.text);
    }
}

class DialogFit : public testing::TestWithParam<UiLanguage> {
protected:
    void SetUp() override {
        // The resolution is the point of the test: it must be the one asked for.
        const std::wstring expected = Environment(L"EXPECTED_DPI");
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (!expected.empty()) {
            ASSERT_EQ(dpi, _wtoi(expected.c_str()));
        }
    }
};

TEST_P(DialogFit, EveryTextOfTheMainDialogFits) {
    const UiLanguage language = GetParam();
    SCOPED_TRACE(Name(language));
    const UniqueWindow dialog = MakeDialog(IDD_MAIN, language);
    ASSERT_TRUE(dialog);
    ExpectResourceTextsFit(dialog.get());
    ExpectTableTextsFit(dialog.get(), language);

    // The status line during a run, with more files than any list holds.
    const RunStep steps[] = {RunStep::Starting, RunStep::RiskDrivers, RunStep::CyboQQ,
                             RunStep::FakeNetBios, RunStep::SystemFiles};
    for (RunStep step : steps) {
        RunProgress progress;
        progress.step = step;
        ExpectFits(dialog.get(), IDC_STATUS, ProgressText(language, progress));
    }
    RunProgress files;
    files.step = RunStep::SystemFiles;
    files.filesChecked = files.filesToCheck = 999;
    ExpectFits(dialog.get(), IDC_STATUS, ProgressText(language, files));
    files.copiesFetched = files.copiesToFetch = 999;
    ExpectFits(dialog.get(), IDC_STATUS, ProgressText(language, files));

    // The two links of the footer inside its band, the rest between the bands.
    RECT client = {};
    GetClientRect(dialog.get(), &client);
    const int band = CMainDlg::BandHeight();
    for (int id :
         {IDC_START_STOP, IDC_FORUM_THREAD_LINK, IDC_HOME_PAGE_LINK, IDC_FORUM_LINK, IDC_STATUS}) {
        RECT rect = {};
        GetWindowRect(GetDlgItem(dialog.get(), id), &rect);
        MapWindowPoints(nullptr, dialog.get(), reinterpret_cast<POINT*>(&rect), 2);
        const bool inFooter = id == IDC_HOME_PAGE_LINK || id == IDC_FORUM_LINK;
        EXPECT_GE(rect.top, inFooter ? client.bottom - band : band) << "control " << id;
        EXPECT_LE(rect.bottom, inFooter ? client.bottom : client.bottom - band) << "control " << id;
    }

    // The header drawn in the band.
    const RECT area = CMainDlg::HeaderTextArea(client.right);
    HDC dc = GetDC(dialog.get());
    HGDIOBJ previous = SelectObject(dc, TvFontPool::Instance().GetFont(kFontHeader));
    RECT need = {0, 0, 0, 0};
    DrawTextW(dc, UiTextIn(language, UiTextId::Header), -1, &need,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(dialog.get(), dc);
    EXPECT_LE(need.right, area.right - area.left) << "the header";
    EXPECT_LE(need.bottom, area.bottom - area.top) << "the header";
}

TEST_P(DialogFit, EveryTextOfTheResultDialogFits) {
    const UiLanguage language = GetParam();
    SCOPED_TRACE(Name(language));
    const UniqueWindow dialog = MakeDialog(IDD_RESULT, language);
    ASSERT_TRUE(dialog);
    ExpectResourceTextsFit(dialog.get());
    ExpectTableTextsFit(dialog.get(), language);
    for (const wchar_t* number : {L"", kLongSupportNumber})
        for (bool stopped : {false, true})
            for (bool found : {false, true})
                ExpectFits(dialog.get(), IDC_RESULT_TEXT,
                           COKDlg::ResultText(language, stopped, found, number));
    for (bool installed : {false, true})
        ExpectFits(dialog.get(), IDC_OFFER_TEXT, COKDlg::OfferText(language, installed));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, DialogFit,
                         testing::Values(UiLanguage::Chinese, UiLanguage::English),
                         [](const testing::TestParamInfo<UiLanguage>& info) {
                             return std::string(Name(info.param));
                         });

} // namespace
