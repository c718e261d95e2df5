#pragma once

#include <windows.h>

// An existing window (a dialog's control) whose messages go to the class
// first; what the class does not handle goes to the window's previous
// procedure. Attached once, for the life of the window.
class SubclassedWindow {
public:
    SubclassedWindow() = default;
    virtual ~SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    // Returns false when WINDOW is missing or already attached.
    bool Attach(HWND window);
    HWND Window() const { return window_; }

protected:
    // One message. Returns whether it was handled; RESULT is then its result.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
};
