#include "app/main_dlg.h"

#include <cwchar>

#include "app/administrator_rights.h"
#include "app/dialog_ids.h"
#include "app/font_pool.h"
#include "app/ok_dlg.h"
#include "app/privileges.h"
#include "app/repair_run.h"
#include "app/run_completion.h"
#include "app/run_flags.h"
#include "app/run_progress.h"
#include "app/screen_dpi.h"
#include "app/single_run_guard.h"
#include "app/stop_request.h"
#include "app/suite_lookup.h"
#include "app/ui_texts.h"
#include "app/web_pages.h"

namespace {

// Pixels at 96 dots per inch; the dialog's controls, measured in dialog
// units, grow with the resolution, and so does what is drawn around them.
constexpr COLORREF kBandColour = RGB(222, 239, 255);
constexpr int kBandHeight = 40;
constexpr int kHeaderTextMargin = 50;
constexpr int kIconLeft = 10;
constexpr int kIconTop = 5;
// The logo's left edge from the right, its top from the footer band's top.
constexpr int kLogoRight = 100;
constexpr int kLogoTop = 7;

// How long a stop waits for the run before the dialog returns to idle.
constexpr DWORD kStopWaitMs = 200;
// The dialog looks at the progress once more this long after a progress
// message, for what changed after it: the run posts no faster than that.
constexpr UINT_PTR kProgressCatchUpTimer = 1;
constexpr UINT kProgressCatchUpMs = kProgressPostIntervalMs + 50;
// How long a new start waits for a stopped run that is still finishing its step.
constexpr DWORD kPreviousRunWaitMs = 10000;

void FillBand(HDC dc, int top, int bottom, int width) {
    const RECT band = {0, top, width, bottom};
    const UniqueBrush brush(CreateSolidBrush(kBandColour));
    if (brush)
        FillRect(dc, &band, brush.get());
}

void DrawLine(HDC dc, int y, int width) {
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, width, y);
}

// The worker shows no window but the system's restart prompt, a dialog box.
BOOL CALLBACK AnswerNo(HWND window, LPARAM) {
    wchar_t className[16] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, className, ARRAYSIZE(className)) &&
        lstrcmpW(className, L"#32770") == 0)
        PostMessageW(window, WM_COMMAND, IDNO, 0);
    return TRUE;
}

} // namespace

CMainDlg::CMainDlg(RunRoutine run) : ModalDialog(IDD_MAIN), run_(run) {}

bool CMainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        Initialise();
        result = TRUE;
        return true;
    case WM_REPAIR_FINISHED:
        ShowResult();
        return true;
    case WM_REPAIR_PROGRESS:
        ShowProgress();
        SetTimer(Window(), kProgressCatchUpTimer, kProgressCatchUpMs, nullptr);
        return true;
    case WM_TIMER:
        if (wParam != kProgressCatchUpTimer)
            return false;
        KillTimer(Window(), kProgressCatchUpTimer);
        ShowProgress();
        return true;
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            // A run in progress stops at its next step from now on, however
            // long the window takes to go; the program waits for it then.
            AskRunToStop();
            End(LOWORD(wParam));
            return true;
        case IDC_START_STOP:
            StartOrStop();
            return true;
        case IDC_FORUM_THREAD_LINK:
            OpenWithShell(ForumThreadPage());
            return true;
        case IDC_HOME_PAGE_LINK:
            OpenWithShell(HomePage());
            return true;
        case IDC_FORUM_LINK:
            OpenWithShell(ForumFrontPage());
            return true;
        default:
            return false;
        }
    default:
        (void)lParam;
        return false;
    }
}

void CMainDlg::Initialise() {
    CenterOnOwner();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    icon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON),
                                              GetSystemMetrics(SM_CYICON), 0)));
    if (icon_)
        SendMessageW(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0)));
    if (smallIcon_)
        SendMessageW(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

    SetWindowTextW(Window(), UiText(UiTextId::Caption));
    SetDlgItemTextW(Window(), IDC_HOME_PAGE_LINK, UiText(UiTextId::HomePageLink));
    logo_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));

    forumThreadLink_.AttachToControl(Window(), IDC_FORUM_THREAD_LINK);
    homePageLink_.AttachToControl(Window(), IDC_HOME_PAGE_LINK);
    forumLink_.AttachToControl(Window(), IDC_FORUM_LINK);
    // These two sit in the footer band.
    homePageLink_.SetBackground(kBandColour);
    forumLink_.SetBackground(kBandColour);

    // Without administrator rights nothing could be repaired: the window
    // says so and its button starts nothing.
    if (!HasAdministratorRights()) {
        SetDlgItemTextW(Window(), IDC_STATUS, UiText(UiTextId::NoAdministratorRights));
        EnableWindow(GetDlgItem(Window(), IDC_START_STOP), FALSE);
        return;
    }

    // While another run is going this window starts none.
    if (!TakeSingleRunGuard()) {
        SetDlgItemTextW(Window(), IDC_STATUS, UiText(UiTextId::AnotherRunActive));
        EnableWindow(GetDlgItem(Window(), IDC_START_STOP), FALSE);
    }

    EnablePrivilege(SE_DEBUG_NAME);
    EnablePrivilege(SE_SHUTDOWN_NAME);
    FindSuiteExecutable();
}

void CMainDlg::PaintBackground(HDC dc) {
    RECT client = {};
    GetClientRect(Window(), &client);
    const int width = client.right;
    const int height = client.bottom;
    const int band = BandHeight();
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

    FillBand(dc, height - band, height, width);
    DrawLine(dc, height - band, width);
    if (logo_) {
        const UniqueMemoryDc memory(CreateCompatibleDC(dc));
        if (memory) {
            BITMAP bitmap = {};
            GetObjectW(logo_.get(), sizeof(bitmap), &bitmap);
            HGDIOBJ previous = SelectObject(memory.get(), logo_.get());
            BitBlt(dc, width - ScaledToScreen(kLogoRight), height - band + ScaledToScreen(kLogoTop),
                   bitmap.bmWidth, bitmap.bmHeight, memory.get(), 0, 0, SRCCOPY);
            SelectObject(memory.get(), previous);
        }
    }

    FillBand(dc, 0, band, width);
    DrawLine(dc, band, width);

    SetBkMode(dc, TRANSPARENT);
    HFONT font = TvFontPool::Instance().GetFont(kFontHeader);
    HGDIOBJ previousFont = font ? SelectObject(dc, font) : nullptr;
    if (icon_)
        DrawIcon(dc, ScaledToScreen(kIconLeft), ScaledToScreen(kIconTop), icon_.get());
    RECT header = HeaderTextArea(width);
    DrawTextW(dc, UiText(UiTextId::Header), -1, &header,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    if (previousFont)
        SelectObject(dc, previousFont);
}

int CMainDlg::BandHeight() {
    return ScaledToScreen(kBandHeight);
}

RECT CMainDlg::HeaderTextArea(int clientWidth) {
    const int margin = ScaledToScreen(kHeaderTextMargin);
    return {margin, 0, clientWidth - margin, BandHeight()};
}

void CMainDlg::StartOrStop() {
    wchar_t text[513] = {};
    if (GetDlgItemTextW(Window(), IDC_START_STOP, text, ARRAYSIZE(text)) == 0)
        return;
    if (std::wcscmp(text, UiText(UiTextId::Start)) == 0)
        Start();
    else
        Stop();
}

void CMainDlg::Start() {
    if (!HasAdministratorRights()) {
        SetDlgItemTextW(Window(), IDC_STATUS, UiText(UiTextId::NoAdministratorRights));
        return;
    }
    // A stopped run may still be finishing its step; a second run must never
    // begin beside it (the log and the flags belong to one run at a time).
    if (worker_ && WaitForSingleObject(worker_.get(), kPreviousRunWaitMs) == WAIT_TIMEOUT)
        return;
    worker_.reset();
    workerId_ = 0;
    stopFlag_ = 0;
    TheRunFlags().anythingFound = 0;
    ClearStopRequest();
    ResetRunCompletion();
    worker_.reset(CreateThread(nullptr, 0, Worker, this, 0, &workerId_));
    SetDlgItemTextW(Window(), IDC_START_STOP, UiText(UiTextId::Stop));
    SetDlgItemTextW(Window(), IDC_STATUS, UiText(UiTextId::Scanning));
    showsProgress_ = true;
}

void CMainDlg::ShowProgress() {
    // A stopped run may go on to the end of its step: its news is not shown.
    if (!showsProgress_)
        return;
    const std::wstring text = ProgressText(TheUiLanguage(), CurrentRunProgress());
    wchar_t shown[256] = {};
    GetDlgItemTextW(Window(), IDC_STATUS, shown, ARRAYSIZE(shown));
    if (text != shown)
        SetDlgItemTextW(Window(), IDC_STATUS, text.c_str());
}

DWORD WINAPI CMainDlg::Worker(void* dialog) {
    auto* self = static_cast<CMainDlg*>(dialog);
    self->run_(self->Window());
    return 0;
}

void CMainDlg::Stop() {
    stopFlag_ = 1;
    showsProgress_ = false;
    RequestStop();
    DismissWorkerPrompts();
    // The run ends at its next step; a step that takes longer finishes on its
    // own while the dialog returns to idle. Whichever ends first reports: a
    // run that ended in the wait (or before it) has posted its completion.
    if (worker_ && WaitForSingleObject(worker_.get(), kStopWaitMs) == WAIT_OBJECT_0) {
        worker_.reset();
        workerId_ = 0;
    }
    PostRunCompletionOnce(Window());
}

void CMainDlg::DismissWorkerPrompts() {
    if (!workerId_)
        return;
    EnumThreadWindows(workerId_, AnswerNo, 0);
}

void CMainDlg::ShowResult() {
    // What the run did last, which a progress message may not have told yet.
    KillTimer(Window(), kProgressCatchUpTimer);
    ShowProgress();
    showsProgress_ = false;
    HWND owner = GetActiveWindow();
    COKDlg result(&stopFlag_);
    result.DoModal(owner ? owner : Window());
    SetDlgItemTextW(Window(), IDC_START_STOP, UiText(UiTextId::Start));
    SetDlgItemTextW(Window(), IDC_STATUS, UiText(UiTextId::Idle));
}

void CMainDlg::AskRunToStop() {
    if (!worker_ || WaitForSingleObject(worker_.get(), 0) == WAIT_OBJECT_0)
        return;
    RequestStop();
    DismissWorkerPrompts();
}

bool CMainDlg::FinishRun(DWORD timeoutMs) {
    if (!worker_)
        return true;
    AskRunToStop();
    return WaitForSingleObject(worker_.get(), timeoutMs) == WAIT_OBJECT_0;
}
