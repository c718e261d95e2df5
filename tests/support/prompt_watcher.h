#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "common/win32_thread.h"

// Answers "No" to every dialog box this process shows (the system restart
// prompt among them) and counts them, so a run that prompts does not block
// and a test can tell whether it prompted. Needs a display (Xvfb).
class PromptWatcher {
public:
    PromptWatcher();
    // Answers the boxes of another process instead, the program under test.
    explicit PromptWatcher(DWORD processId);
    ~PromptWatcher();
    PromptWatcher(const PromptWatcher&) = delete;
    PromptWatcher& operator=(const PromptWatcher&) = delete;

    int Answered() const { return answered_.load(); }
    // How many of them carried the caption TITLE.
    int AnsweredTitled(const std::wstring& title) const;

private:
    void Watch();

    const DWORD processId_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    mutable CriticalSection titlesLock_;
    std::vector<std::wstring> titles_;
    JoinedThread thread_; // last: started after the rest is made, joined first
};
