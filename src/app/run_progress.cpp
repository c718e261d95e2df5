#include "app/run_progress.h"

#include <cstdio>

#include "app/ui_texts.h"

namespace {

// The worker writes the progress, the dialog thread reads it.
class ProgressStore {
public:
    ProgressStore() { InitializeCriticalSection(&lock_); }
    // Never deleted: a stopped run may still be finishing its step while the
    // process ends.
    ~ProgressStore() = default;
    ProgressStore(const ProgressStore&) = delete;
    ProgressStore& operator=(const ProgressStore&) = delete;

    template <class Change> void Update(Change change) {
        EnterCriticalSection(&lock_);
        change(progress_);
        LeaveCriticalSection(&lock_);
    }
    RunProgress Read() {
        EnterCriticalSection(&lock_);
        const RunProgress copy = progress_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    CRITICAL_SECTION lock_;
    RunProgress progress_;
};

ProgressStore& Store() {
    static ProgressStore store;
    return store;
}

// The report of the run on the worker thread; set and used there only.
RunProgressReport* currentReport = nullptr;

unsigned Count(size_t value) {
    return static_cast<unsigned>(value);
}

std::wstring Formatted(const wchar_t* format, unsigned a, unsigned b, unsigned c = 0,
                       unsigned d = 0) {
    wchar_t text[256] = {};
    if (std::swprintf(text, ARRAYSIZE(text), format, a, b, c, d) < 0)
        return {};
    return text;
}

} // namespace

RunProgressReport::RunProgressReport(HWND dialog) : dialog_(dialog) {
    if (!dialog_)
        return;
    Store().Update([](RunProgress& progress) { progress = RunProgress(); });
    currentReport = this;
    SetSystemFileProgress(this);
}

RunProgressReport::~RunProgressReport() {
    if (!dialog_)
        return;
    SetSystemFileProgress(nullptr);
    currentReport = nullptr;
}

void RunProgressReport::EnterStep(RunStep step) {
    Store().Update([step](RunProgress& progress) { progress.step = step; });
    Changed();
}

void RunProgressReport::FilesChecked(size_t done, size_t total) {
    Store().Update([done, total](RunProgress& progress) {
        progress.filesChecked = Count(done);
        progress.filesToCheck = Count(total);
    });
    Changed();
}

void RunProgressReport::CopiesFetched(size_t done, size_t total) {
    Store().Update([done, total](RunProgress& progress) {
        progress.copiesFetched = Count(done);
        progress.copiesToFetch = Count(total);
    });
    Changed();
}

void RunProgressReport::Changed() {
    const DWORD now = GetTickCount();
    if (posted_ && now - lastPost_ < kProgressPostIntervalMs)
        return;
    posted_ = true;
    lastPost_ = now;
    PostMessageW(dialog_, WM_REPAIR_PROGRESS, 0, 0);
}

void NoteRunStep(RunStep step) {
    if (currentReport)
        currentReport->EnterStep(step);
}

RunProgress CurrentRunProgress() {
    return Store().Read();
}

std::wstring ProgressText(UiLanguage language, const RunProgress& progress) {
    switch (progress.step) {
    case RunStep::Starting:
        return UiTextIn(language, UiTextId::Scanning);
    case RunStep::RiskDrivers:
        return UiTextIn(language, UiTextId::CheckingRiskDrivers);
    case RunStep::CyboQQ:
        return UiTextIn(language, UiTextId::CheckingCyboQQ);
    case RunStep::FakeNetBios:
        return UiTextIn(language, UiTextId::CheckingFakeNetBios);
    case RunStep::SystemFiles:
        break;
    }
    if (progress.copiesToFetch > 0)
        return Formatted(UiTextIn(language, UiTextId::SystemFilesDownloaded), progress.filesChecked,
                         progress.filesToCheck, progress.copiesFetched, progress.copiesToFetch);
    if (progress.filesToCheck > 0)
        return Formatted(UiTextIn(language, UiTextId::SystemFilesChecked), progress.filesChecked,
                         progress.filesToCheck);
    return UiTextIn(language, UiTextId::CheckingSystemFiles);
}
