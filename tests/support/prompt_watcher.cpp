#include "support/prompt_watcher.h"

#include <algorithm>
#include <set>

namespace {

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetClassNameW(window, className, ARRAYSIZE(className)) &&
        lstrcmpW(className, L"#32770") == 0)
        reinterpret_cast<std::set<HWND>*>(context)->insert(window);
    return TRUE;
}

} // namespace

PromptWatcher::PromptWatcher() : thread_([this] { Watch(); }) {}

PromptWatcher::~PromptWatcher() {
    stop_ = true;
    thread_.join();
}

int PromptWatcher::AnsweredTitled(const std::wstring& title) const {
    std::lock_guard<std::mutex> hold(titlesLock_);
    return static_cast<int>(std::count(titles_.begin(), titles_.end(), title));
}

void PromptWatcher::Watch() {
    std::set<HWND> answeredWindows;
    while (!stop_) {
        std::set<HWND> dialogs;
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
        for (HWND dialog : dialogs) {
            if (answeredWindows.insert(dialog).second) {
                wchar_t title[256] = {};
                GetWindowTextW(dialog, title, ARRAYSIZE(title));
                {
                    std::lock_guard<std::mutex> hold(titlesLock_);
                    titles_.push_back(title);
                }
                PostMessageW(dialog, WM_COMMAND, IDNO, 0);
                ++answered_;
            }
        }
        Sleep(50);
    }
}
