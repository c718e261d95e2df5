#include "app/subclassed_window.h"

namespace {

// The window property that leads from a window to its object.
constexpr wchar_t kObjectProperty[] = L"filemender.SubclassedWindow";

} // namespace

bool SubclassedWindow::Attach(HWND window) {
    if (!window || window_ || GetPropW(window, kObjectProperty))
        return false;
    if (!SetPropW(window, kObjectProperty, this))
        return false;
    window_ = window;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
    return previous_ != nullptr;
}

LRESULT CALLBACK SubclassedWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = static_cast<SubclassedWindow*>(GetPropW(window, kObjectProperty));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC previous = self->previous_;
    LRESULT result = 0;
    if (message != WM_NCDESTROY && self->HandleMessage(message, wParam, lParam, result))
        return result;
    if (message == WM_NCDESTROY) {
        // The window goes: give it its own procedure back and forget the object.
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(window, kObjectProperty);
        self->window_ = nullptr;
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}
