#pragma once

#include <string>

enum class Replacement {
    NotDone,   // no verified good copy (it did not arrive, or with other content)
    NotPlaced, // a verified good copy that could be put in place neither now nor at the next start
    Done,      // the target holds the good copy now
    AtNextStart, // the target is in use: the good copy takes its place at the next start
};

// Fetches the good copy of TARGET (content digest DIGEST, as text) for EDITION
// from the file server and puts it in place. The copy is staged beside the
// target, on its own volume, and verified before the target is touched, so a
// failed download or move never costs the file that was there.
Replacement ReplaceWithGoodCopy(const std::wstring& edition, const std::wstring& target,
                                const std::wstring& digest);

// The folder part of PATH, up to and including its last backslash.
std::wstring FolderOf(const std::wstring& path);
