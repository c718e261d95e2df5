#pragma once

#include <windows.h>

// Exactly one completion message per run reaches the main dialog: the run
// posts it when it ends, or the stop posts it when the run did not end within
// its wait. Whichever comes first claims the message; the other posts nothing.
void ResetRunCompletion();
// Posts the completion message to DIALOG unless it was posted for this run
// already. Returns whether this call posted it.
bool PostRunCompletionOnce(HWND dialog);
