#pragma once

#include <string>
#include <vector>

#include "common/md5.h"

// The digests of the system files a run doubts, each file hashed at most once
// per run: a digest is remembered with the file's identity (volume serial and
// file index), size and times, and taken again only when one of them has
// changed. Held in memory for one run only (the run forgets them when it
// begins), never stored: nothing of it survives to be planted. For files in
// the system folders, which only administrators can write.

// Forgets every digest; each run calls it when it begins.
void ForgetRunDigests();

// The digest of the file at PATH; false when it cannot be opened or read.
bool RunDigestOf(const std::wstring& path, Digest& digest);

// Hashes the files of PATHS that have no digest yet, on both cores when the
// machine has more than one and there is more than one file, so that the
// RunDigestOf calls that follow find them. Call from the run's thread.
void PrefetchRunDigests(const std::vector<std::wstring>& paths);
