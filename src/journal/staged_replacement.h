#pragma once

#include <windows.h>

#include <string>

#include "common/unique_resource.h"

// New content for a file in a folder others may write. It is written into a
// file created new under a name nobody can predict, beside the target in its
// folder, which must be reached through no link; that file is held open and
// shared with nobody until it is flushed and renamed over the target through
// the folder's handle. Nothing already there, under any name, is written
// through or destroyed, and the target is never half written.
class StagedReplacement {
public:
    explicit StagedReplacement(const std::wstring& target);
    // Removes the staging file unless it was renamed over the target.
    ~StagedReplacement();
    StagedReplacement(const StagedReplacement&) = delete;
    StagedReplacement& operator=(const StagedReplacement&) = delete;

    // False when the staging file could not be made safely.
    bool Ready() const { return static_cast<bool>(file_); }
    bool Write(const void* bytes, size_t size);
    // Flushes the content and renames it over the target.
    bool Commit();

private:
    UniqueFile folder_;
    UniqueFile file_;
    std::wstring targetName_;
};
