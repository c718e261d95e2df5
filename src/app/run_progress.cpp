#include "app/run_progress.h"

#include <atomic>
#include <cstdio>

#include "app/ui_texts.h"

namespace {

// The worker writes the progress, the dialog thread reads it. No lock: the
// run must never wait for the window, and a count read half-way through an
// update is put right by the next one.
class ProgressStore {
public:
    void Reset() {
        step_.store(static_cast<int>(RunStep::Starting));
        SetFiles(0, 0);
        SetCopies(0, 0);
    }
    void SetStep(RunStep step) { step_.store(static_cast<int>(step)); }
    void SetFiles(unsigned done, unsigned total) {
        filesToCheck_.store(total);
        filesChecked_.store(done);
    }
    void SetCopies(unsigned done, unsigned total) {
        copiesToFetch_.store(total);
        copiesFetched_.store(done);
    }
    RunProgress Read() const {
        RunProgress progress;
        progress.step = static_cast<RunStep>(step_.load());
        progress.filesChecked = filesChecked_.load();
        progress.filesToCheck = filesToCheck_.load();
        progress.copiesFetched = copiesFetched_.load();
        progress.copiesToFetch = copiesToFetch_.load();
        return progress;
    }

private:
    std::atomic<int> step_{static_cast<int>(RunStep::Starting)};
    std::atomic<unsigned> filesChecked_{0};
    std::atomic<unsigned> filesToCheck_{0};
    std::atomic<unsigned> copiesFetched_{0};
    std::atomic<unsigned> copiesToFetch_{0};
};

ProgressStore store;

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
    store.Reset();
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
    store.SetStep(step);
    Changed();
}

void RunProgressReport::FilesChecked(size_t done, size_t total) {
    store.SetFiles(Count(done), Count(total));
    Changed();
}

void RunProgressReport::CopiesFetched(size_t done, size_t total) {
    store.SetCopies(Count(done), Count(total));
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
    return store.Read();
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
