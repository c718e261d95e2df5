#pragma once

#include <windows.h>

#include "app/modal_dialog.h"
#include "app/simple_link.h"
#include "common/unique_resource.h"

// The routine a run performs on the worker thread: the repair run, or a run
// of a test's own. Its argument is the dialog the completion goes to.
using RunRoutine = int (*)(HWND dialog);

// The program's window: one button that starts the repair run on a worker
// thread and, pressed again, stops it; the result dialog after each run.
class CMainDlg : public ModalDialog {
public:
    explicit CMainDlg(RunRoutine run);

    // After the dialog has closed: asks a run still in progress to stop and
    // waits, at most timeoutMs, for the step it is in. Returns whether no run
    // is left.
    bool FinishRun(DWORD timeoutMs);

    // The height of the header and the footer band, and where the header text
    // is drawn in a client area CLIENT_WIDTH wide, at the screen's resolution.
    static int BandHeight();
    static RECT HeaderTextArea(int clientWidth);

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static DWORD WINAPI Worker(void* dialog);

    void Initialise();
    void StartOrStop();
    void Start();
    void Stop();
    void ShowResult();
    // Shows the run's progress in the status line while the run goes.
    void ShowProgress();
    void PaintBackground(HDC dc);
    // Asks a run still in progress to stop, and answers its restart prompt.
    void AskRunToStop();
    // Answers No to the restart prompt the worker may be showing.
    void DismissWorkerPrompts();

    UniqueIcon icon_;
    UniqueIcon smallIcon_;
    CSimpleLink forumThreadLink_;
    CSimpleLink homePageLink_;
    CSimpleLink forumLink_;
    UniqueBitmap logo_;
    LONG stopFlag_ = 0;
    bool showsProgress_ = false;
    UniqueHandle worker_;
    DWORD workerId_ = 0;
    const RunRoutine run_;
};
