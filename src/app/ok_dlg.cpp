#include "app/ok_dlg.h"

#include <shellapi.h>

#include "app/dialog_ids.h"
#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/suite_lookup.h"
#include "app/ui_texts.h"
#include "app/web_pages.h"
#include "common/endpoints.h"

COKDlg::COKDlg(const LONG* stopFlag) : ModalDialog(IDD_RESULT), stopFlag_(stopFlag) {}

std::wstring COKDlg::ResultText(UiLanguage language, bool stopped, bool anythingFound,
                                const std::wstring& supportNumber) {
    std::wstring text =
        UiTextIn(language, stopped ? UiTextId::StoppedOpening : UiTextId::FinishedOpening);
    text += UiTextIn(language, anythingFound ? UiTextId::Repaired : UiTextId::NothingFound);
    // A label without a number would only puzzle: a build sets one or none.
    if (!supportNumber.empty()) {
        text += UiTextIn(language, UiTextId::SupportLabel);
        text += supportNumber;
        text += L" ";
    }
    return text;
}

std::wstring COKDlg::OfferText(UiLanguage language, bool suiteInstalled) {
    return UiTextIn(language, suiteInstalled ? UiTextId::OfferStart : UiTextId::OfferDownload);
}

bool COKDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        Initialise();
        result = TRUE;
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Accept();
            return true;
        case IDCANCEL:
            End(IDCANCEL);
            return true;
        case IDC_LOG_LINK:
            OpenLogFile();
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

void COKDlg::Initialise() {
    CenterOnOwner();
    logLink_.AttachToControl(Window(), IDC_LOG_LINK);
    const bool stopped = stopFlag_ && *stopFlag_ != 0;
    const UiLanguage language = TheUiLanguage();
    SetDlgItemTextW(Window(), IDC_OFFER_TEXT,
                    OfferText(language, !SuiteExecutablePath().empty()).c_str());
    SetDlgItemTextW(
        Window(), IDC_RESULT_TEXT,
        ResultText(language, stopped, TheRunFlags().anythingFound != 0, FILEMENDER_SUPPORT_QQ)
            .c_str());
}

void COKDlg::Accept() {
    // Nothing waits for the suite or the browser, and a failed start is not
    // shown: the dialog closes either way.
    const std::wstring& suite = SuiteExecutablePath();
    if (!suite.empty())
        ShellExecuteW(nullptr, nullptr, suite.c_str(), kSuiteArgument, nullptr, SW_SHOW);
    else
        OpenWithShell(SuiteDownloadAddress());
    End(IDOK);
}
