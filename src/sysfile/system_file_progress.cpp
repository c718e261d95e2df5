#include "sysfile/system_file_progress.h"

namespace {

// Set and used on the run's thread only.
SystemFileProgress* listener = nullptr;

} // namespace

void SetSystemFileProgress(SystemFileProgress* newListener) {
    listener = newListener;
}

void NoteFilesChecked(size_t done, size_t total) {
    if (listener)
        listener->FilesChecked(done, total);
}

void NoteCopiesFetched(size_t done, size_t total) {
    if (listener)
        listener->CopiesFetched(done, total);
}
