#include "app/modal_dialog.h"

const DLGTEMPLATE* DialogTemplate(HINSTANCE instance, int resourceId, UiLanguage language) {
    // The dialog manager would pick the language by the thread's locale,
    // which need not be the one the texts are chosen by.
    HRSRC found = FindResourceExW(instance, RT_DIALOG, MAKEINTRESOURCEW(resourceId),
                                  DialogResourceLanguage(language));
    if (!found)
        found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

INT_PTR ModalDialog::DoModal(HWND owner) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const DLGTEMPLATE* dialogTemplate = DialogTemplate(instance, resourceId_, TheUiLanguage());
    if (!dialogTemplate)
        return -1;
    return DialogBoxIndirectParamW(instance, dialogTemplate, owner, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<ModalDialog*>(lParam);
        dialog->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    LRESULT result = 0;
    if (!dialog->HandleMessage(message, wParam, lParam, result))
        return FALSE;
    switch (message) {
    // These return their result directly rather than through DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

void ModalDialog::CenterOnOwner() {
    RECT area = {};
    HWND owner = GetWindow(window_, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own = {};
    GetWindowRect(window_, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    // Keep the caption on the screen when the owner is near its edge.
    RECT screen = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    if (left + width > screen.right)
        left = screen.right - width;
    if (top + height > screen.bottom)
        top = screen.bottom - height;
    if (left < screen.left)
        left = screen.left;
    if (top < screen.top)
        top = screen.top;
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
