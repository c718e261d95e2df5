#pragma once

#include <windows.h>

#include "app/ui_language.h"

// The dialog resource RESOURCE_ID of INSTANCE in LANGUAGE, or in whichever
// language it has when not in that one; null when there is none.
const DLGTEMPLATE* DialogTemplate(HINSTANCE instance, int resourceId, UiLanguage language);

// A modal dialog from a dialog resource whose messages go to the class: the
// dialog procedure finds the object through the window's user data, stored
// when the dialog is created.
class ModalDialog {
public:
    explicit ModalDialog(int resourceId) : resourceId_(resourceId) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog owned by OWNER and returns the result it was ended
    // with, or -1 when it could not be created.
    INT_PTR DoModal(HWND owner);

    HWND Window() const { return window_; }

protected:
    // One message. Returns whether it was handled; RESULT then becomes the
    // message's result (for WM_INITDIALOG: whether to set the default focus).
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    void End(INT_PTR result) { EndDialog(window_, result); }
    // Centres the dialog on its owner, or on the work area when the owner is
    // missing, hidden or minimised.
    void CenterOnOwner();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const int resourceId_;
    HWND window_ = nullptr;
};
