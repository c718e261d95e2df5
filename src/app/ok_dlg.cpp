#include "app/ok_dlg.h"

#include <shellapi.h>

#include "app/dialog_ids.h"
#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/suite_lookup.h"
#include "app/web_pages.h"
#include "common/endpoints.h"

COKDlg::COKDlg(const LONG* stopFlag) : ModalDialog(IDD_RESULT), stopFlag_(stopFlag) {}

std::wstring COKDlg::ResultText(bool stopped, bool anythingFound) {
    std::wstring text = stopped ? L"用户终止，" : L"扫描完成，";
    text += anythingFound ? L"已修复，详情查看扫描日志。" : L"未发现异常。";
    text += L"客服QQ:";
    text += FILEMENDER_SUPPORT_QQ;
    text += L" ";
    return text;
}

std::wstring COKDlg::OfferText(bool suiteInstalled) {
    return suiteInstalled ? L"启动《Tessaly》，检测其他威胁？" : L"下载《Tessaly》，检测其他威胁？";
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
    SetDlgItemTextW(Window(), IDC_OFFER_TEXT, OfferText(!SuiteExecutablePath().empty()).c_str());
    SetDlgItemTextW(Window(), IDC_RESULT_TEXT,
                    ResultText(stopped, TheRunFlags().anythingFound != 0).c_str());
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
