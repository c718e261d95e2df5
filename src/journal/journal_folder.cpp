#include "journal/journal_folder.h"

#include <algorithm>
#include <cwchar>
#include <optional>

#include "common/admin_only_folder.h"
#include "journal/change_journal.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"

namespace {

constexpr unsigned long long kTicksPerDay = 864000000000ull;
constexpr int kDeepestFolder = 8;
constexpr size_t kSequenceDigits = 6;

struct JournalEntry {
    std::wstring name;
    unsigned long long created = 0;
    unsigned long long bytes = 0;
};

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool IsLinkEntry(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDotEntry(const WIN32_FIND_DATAW& entry) {
    return std::wcscmp(entry.cFileName, L".") == 0 || std::wcscmp(entry.cFileName, L"..") == 0;
}

template <class Visit> void ForEachEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW entry = {};
    UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find)
        return;
    do {
        if (!IsDotEntry(entry))
            visit(entry);
    } while (FindNextFileW(find.get(), &entry));
}

unsigned long long FolderBytes(const std::wstring& folder, int depth) {
    unsigned long long total = 0;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        if (IsLinkEntry(entry))
            return;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth < kDeepestFolder)
                total += FolderBytes(folder + L"\\" + entry.cFileName, depth + 1);
            return;
        }
        total += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    });
    return total;
}

// "000012-20261210-142105": the journal's place in the order in which they
// were made, then its local start time for people to read. Journals named
// before, by the time alone ("20261210-142105"), come before all of these.
std::optional<unsigned long> SequenceOf(const std::wstring& name) {
    if (name.size() < kSequenceDigits + 1 || name[kSequenceDigits] != L'-')
        return std::nullopt;
    unsigned long sequence = 0;
    for (size_t i = 0; i < kSequenceDigits; ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return std::nullopt;
        sequence = sequence * 10 + static_cast<unsigned long>(name[i] - L'0');
    }
    return sequence;
}

// Whether A was made after B.
bool IsNewer(const std::wstring& a, const std::wstring& b) {
    const std::optional<unsigned long> sequenceA = SequenceOf(a);
    const std::optional<unsigned long> sequenceB = SequenceOf(b);
    if (sequenceA || sequenceB) {
        if (!sequenceA || !sequenceB)
            return sequenceA.has_value();
        if (*sequenceA != *sequenceB)
            return *sequenceA > *sequenceB;
    }
    // Names sort as the times they carry; a second run within one second gets
    // a numbered name that sorts after the first.
    if (a.size() != b.size() && a.compare(0, 15, b, 0, 15) == 0)
        return a.size() > b.size();
    return a > b;
}

std::vector<JournalEntry> ListJournals(const std::wstring& root) {
    std::vector<JournalEntry> journals;
    ForEachEntry(WithoutTrailingSlash(root), [&](const WIN32_FIND_DATAW& entry) {
        if (IsLinkEntry(entry) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return;
        journals.push_back({entry.cFileName, Ticks(entry.ftCreationTime), 0});
    });
    std::sort(journals.begin(), journals.end(),
              [](const JournalEntry& a, const JournalEntry& b) { return IsNewer(a.name, b.name); });
    return journals;
}

void RemoveTreeAt(const std::wstring& folder, int depth) {
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link to a folder goes as the link; what it points at stays.
            if (!IsLinkEntry(entry) && depth < kDeepestFolder)
                RemoveTreeAt(path, depth + 1);
            RemoveDirectoryW(path.c_str());
            return;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    });
    RemoveDirectoryW(folder.c_str());
}

} // namespace

std::wstring JournalRoot() {
    const std::wstring toolFolder = ToolDataFile(L"", false);
    return toolFolder.empty() ? std::wstring() : toolFolder + L"backup\\";
}

std::wstring PrepareJournalRoot() {
    const std::wstring toolFolder = ToolDataFile(L"", true);
    if (toolFolder.empty())
        return {};
    const DWORD attributes = GetFileAttributesW(toolFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    const std::wstring root = toolFolder + L"backup";
    if (!MakeAdminOnlyFolder(root))
        return {};
    return root + L"\\";
}

std::wstring JournalFolderName(const std::wstring& root, const SYSTEMTIME& start) {
    unsigned long last = 0;
    for (const JournalEntry& journal : ListJournals(root)) {
        if (const std::optional<unsigned long> sequence = SequenceOf(journal.name))
            last = std::max(last, *sequence);
    }
    wchar_t name[48] = {};
    std::swprintf(name, 48, L"%06lu-%04u%02u%02u-%02u%02u%02u", last + 1, start.wYear, start.wMonth,
                  start.wDay, start.wHour, start.wMinute, start.wSecond);
    return name;
}

std::vector<std::wstring> JournalFoldersNewestFirst(const std::wstring& root) {
    std::vector<std::wstring> names;
    for (const JournalEntry& journal : ListJournals(root))
        names.push_back(journal.name);
    return names;
}

void PruneJournals(const std::wstring& root, const std::vector<std::wstring>& keep,
                   const FILETIME& now) {
    const auto mustStay = [&keep](const std::wstring& name) {
        return std::find(keep.begin(), keep.end(), name) != keep.end();
    };
    std::vector<JournalEntry> journals = ListJournals(root);
    const unsigned long long oldest = Ticks(now) > kJournalMaxAgeDays * kTicksPerDay
                                          ? Ticks(now) - kJournalMaxAgeDays * kTicksPerDay
                                          : 0;
    unsigned long long total = 0;
    std::vector<JournalEntry> kept;
    for (JournalEntry& journal : journals) {
        const std::wstring path = root + journal.name;
        if (!mustStay(journal.name) && journal.created < oldest) {
            RemoveFolderTree(path);
            continue;
        }
        journal.bytes = FolderBytes(path, 0);
        total += journal.bytes;
        kept.push_back(journal);
    }
    // Newest first: the oldest are at the back.
    while (total > kJournalMaxTotalBytes && !kept.empty()) {
        const JournalEntry last = kept.back();
        kept.pop_back();
        if (mustStay(last.name))
            continue;
        RemoveFolderTree(root + last.name);
        total -= last.bytes;
    }
}

void RemoveFolderTree(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveDirectoryW(folder.c_str());
        return;
    }
    RemoveTreeAt(WithoutTrailingSlash(folder), 0);
}

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring JournalNameOf(const std::wstring& folder) {
    const std::wstring path = WithoutTrailingSlash(folder);
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
