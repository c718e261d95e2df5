#pragma once

#include <cstddef>

// Told, on the run's thread, how far the system file step has come. The
// window's status line listens while a run from the window goes; nothing
// listens otherwise.
class SystemFileProgress {
public:
    // DONE of the TOTAL system files have been checked.
    virtual void FilesChecked(size_t done, size_t total) = 0;
    // DONE of the TOTAL good copies the repair fetches have been dealt with.
    virtual void CopiesFetched(size_t done, size_t total) = 0;

protected:
    ~SystemFileProgress() = default;
};

// The listener of the run in progress, or null; the run sets it and clears it.
void SetSystemFileProgress(SystemFileProgress* listener);
void NoteFilesChecked(size_t done, size_t total);
void NoteCopiesFetched(size_t done, size_t total);
