#include "app/run_completion.h"

#include <atomic>

#include "app/repair_run.h"

namespace {

std::atomic<bool> completionPosted{false};

} // namespace

void ResetRunCompletion() {
    completionPosted.store(false);
}

bool PostRunCompletionOnce(HWND dialog) {
    if (!dialog || completionPosted.exchange(true))
        return false;
    PostMessageW(dialog, WM_REPAIR_FINISHED, 0, 0);
    return true;
}
