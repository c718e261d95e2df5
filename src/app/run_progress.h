#pragma once

#include <windows.h>

#include <string>

#include "app/ui_language.h"
#include "sysfile/system_file_progress.h"

// Posted to the main dialog while a run from the window goes, at most every
// kProgressPostIntervalMs: the run's progress has changed. The dialog reads
// it with CurrentRunProgress.
constexpr UINT WM_REPAIR_PROGRESS = WM_USER + 101;
constexpr DWORD kProgressPostIntervalMs = 250;

enum class RunStep { Starting, RiskDrivers, CyboQQ, FakeNetBios, SystemFiles };

struct RunProgress {
    RunStep step = RunStep::Starting;
    unsigned filesChecked = 0;
    unsigned filesToCheck = 0;
    unsigned copiesFetched = 0;
    unsigned copiesToFetch = 0;
};

// The progress of the run on this thread, reported to DIALOG for as long as
// the object lives. Without a dialog (the second pass, a scan) nothing is
// kept or posted.
class RunProgressReport final : public SystemFileProgress {
public:
    explicit RunProgressReport(HWND dialog);
    ~RunProgressReport();
    RunProgressReport(const RunProgressReport&) = delete;
    RunProgressReport& operator=(const RunProgressReport&) = delete;

    void EnterStep(RunStep step);
    void FilesChecked(size_t done, size_t total) override;
    void CopiesFetched(size_t done, size_t total) override;

private:
    // Posts unless a message went less than the interval ago: the dialog
    // catches up with what it missed (see CMainDlg).
    void Changed();

    HWND dialog_;
    DWORD lastPost_ = 0;
    bool posted_ = false;
};

// Tells the report of the run on this thread, if there is one, which step it is in.
void NoteRunStep(RunStep step);

// The latest progress, from any thread.
RunProgress CurrentRunProgress();

// What the status line says for PROGRESS.
std::wstring ProgressText(UiLanguage language, const RunProgress& progress);
