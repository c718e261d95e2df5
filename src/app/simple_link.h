#pragma once

#include <windows.h>

#include "app/subclassed_window.h"

// Text colours of a link: normally, and while the mouse is over it.
constexpr COLORREF kLinkColour = RGB(48, 100, 165);
constexpr COLORREF kLinkHoverColour = RGB(255, 0, 0);

// A static control of a dialog that behaves as a hyperlink: underlined text,
// red under the mouse, the hand cursor, and a click reported to the parent as
// WM_COMMAND with the control's id (notification code 0, lParam 0).
class CSimpleLink : public SubclassedWindow {
public:
    // Attaches to control ID of DIALOG and gives it the notify style, without
    // which a static control lets the mouse through to its parent.
    bool AttachToControl(HWND dialog, int id);
    void SetBackground(COLORREF colour) { background_ = colour; }

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint();
    void Repaint() { InvalidateRect(Window(), nullptr, FALSE); }

    LONG hover_ = 0;
    COLORREF background_ = GetSysColor(COLOR_BTNFACE);
};
