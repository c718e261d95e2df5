#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The folders of the journals under the backup folder: their names, the order
// in which they were made, and their pruning.

// Journals older than this are removed when a new one is made...
constexpr unsigned kJournalMaxAgeDays = 30;
// ...and then the oldest, until all journals together take no more than this.
constexpr unsigned long long kJournalMaxTotalBytes = 256ull << 20;

// Makes the backup folder (only administrators and SYSTEM may write there) and
// returns its path ending in "\"; empty when that cannot be done safely.
std::wstring PrepareJournalRoot();

// PATH without the "\" it may end in.
std::wstring WithoutTrailingSlash(std::wstring path);

// The name of the journal folder FOLDER ("...\backup\20261210-142105\").
std::wstring JournalNameOf(const std::wstring& folder);

// The name of the next journal under ROOT: "000012-20261210-142105", a
// sequence one past the highest there, then the local start time. The order
// of journals is the sequence's, which no change of the clock (the end of
// daylight saving time, a new time zone) can turn round; journals named by
// the time alone, as earlier versions did, come before all of them.
std::wstring JournalFolderName(const std::wstring& root, const SYSTEMTIME& start);

// The journal folders under ROOT (names only), newest first. Links are left out.
std::vector<std::wstring> JournalFoldersNewestFirst(const std::wstring& root);

// Removes journals past the age limit, then the oldest until the total size
// is within its limit; the folders named in KEEP are never removed. Links are
// removed as links, never followed.
void PruneJournals(const std::wstring& root, const std::vector<std::wstring>& keep,
                   const FILETIME& now);

// Removes FOLDER and the files and folders in it, without following links.
void RemoveFolderTree(const std::wstring& folder);
