#include "support/prompt_watcher.h"

#include <algorithm>
#include <set>

namespace {

struct DialogSearch {
    DWORD processId;
    std::set<HWND> dialogs;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    if (process == search->processId && IsWindowVisible(window) &&
        GetClassNameW(window, className, ARRAYSIZE(className)) &&
        lstrcmpW(className, L"#32770") == 0)
        search->dialogs.insert(window);
    return TRUE;
}

} // namespace

PromptWatcher::PromptWatcher() : PromptWatcher(GetCurrentProcessId()) {}

PromptWatcher::PromptWatcher(DWORD processId)
    : processId_(processId), thread_([this] { Watch(); }) {}

PromptWatcher::~PromptWatcher() {
    stop_ = true;
    thread_.Join();
}

int PromptWatcher::AnsweredTitled(const std::wstring& title) const {
    CriticalSectionLock hold(titlesLock_);
    return static_cast<int>(std::count(titles_.begin(), titles_.end(), title));
}

void PromptWatcher::Watch() {
    std::set<HWND> answeredWindows;
    while (!stop_) {
        DialogSearch search{processId_, {}};
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
        for (HWND dialog : search.dialogs) {
            if (answeredWindows.insert(dialog).second) {
                wchar_t title[256] = {};
                GetWindowTextW(dialog, title, ARRAYSIZE(title));
                {
                    CriticalSectionLock hold(titlesLock_);
                    titles_.push_back(title);
                }
                PostMessageW(dialog, WM_COMMAND, IDNO, 0);
                ++answered_;
            }
        }
        Sleep(50);
    }
}
