#include "app/program.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

// Closing the window during a run waits this long for the step in progress,
// so that the process does not end in the middle of a file or value write.
constexpr DWORD kCloseWaitMs = 60000;

} // namespace

int RunProgram(RunRoutine run) {
    // The shell may need COM to open a page or the log; the run itself starts
    // programs without it, and modules that use COM set it up themselves.
    const HRESULT com = CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    INT_PTR result = 0;
    {
        CMainDlg dialog(run);
        result = dialog.DoModal(GetActiveWindow());
        dialog.FinishRun(kCloseWaitMs);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return result < 0 ? 0 : static_cast<int>(result);
}
