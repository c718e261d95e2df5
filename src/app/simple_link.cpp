#include "app/simple_link.h"

#include <commctrl.h>

#include <string>

#include "app/font_pool.h"
#include "common/unique_resource.h"

bool CSimpleLink::AttachToControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!Attach(control))
        return false;
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if (!(style & SS_NOTIFY))
        SetWindowLongPtrW(control, GWL_STYLE, style | SS_NOTIFY);
    return true;
}

bool CSimpleLink::HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        if (!hover_) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, Window(), 0};
            hover_ = TrackMouseEvent(&track) ? 1 : 0;
            Repaint();
        }
        return true;
    case WM_LBUTTONDOWN:
        SetCapture(Window());
        return true;
    case WM_LBUTTONUP:
        // A press on the link counts wherever the button is released.
        ReleaseCapture();
        SendMessageW(GetParent(Window()), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(Window())), 0), 0);
        return true;
    case WM_MOUSELEAVE:
        hover_ = 0;
        Repaint();
        return true;
    default:
        return false;
    }
}

void CSimpleLink::Paint() {
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(Window(), &paint);
    if (!dc)
        return;
    const int length = GetWindowTextLengthW(Window());
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(Window(), &text[0], length + 1)));
    RECT client = {};
    GetClientRect(Window(), &client);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = TvFontPool::Instance().GetFont(kFontLink);
    HGDIOBJ previousFont = font ? SelectObject(dc, font) : nullptr;
    const UniqueBrush fill(CreateSolidBrush(background_));
    if (fill)
        FillRect(dc, &client, fill.get());
    SetTextColor(dc, hover_ ? kLinkHoverColour : kLinkColour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
              DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
    SetTextColor(dc, RGB(0, 0, 0));
    if (previousFont)
        SelectObject(dc, previousFont);
    EndPaint(Window(), &paint);
}
