#include "sysfile/damaged_file_scan.h"

#include "common/system_directories.h"
#include "sysfile/content_check.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_index.h"
#include "sysfile/path_key.h"
#include "sysfile/pe_image.h"
#include "sysfile/system_file_lists.h"
#include "sysfile/system_file_progress.h"

namespace {

// The cheap tests: a PE image that carries a readable version resource.
bool LooksSound(const std::wstring& path, FileVersions& versions) {
    std::wstring version;
    return IsPeImage(path) && versions.Get(path, version);
}

} // namespace

std::vector<std::wstring> CheckedSystemFiles() {
    const std::wstring systemDir = SystemDirectoryWithSlash();
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    std::vector<std::wstring> files;
    if (systemDir.empty() || windowsDir.empty())
        return files;
    for (const wchar_t* name : SystemFileNames)
        files.push_back(systemDir + name);
    for (const wchar_t* name : DriverFileNames)
        files.push_back(systemDir + L"drivers\\" + name);
    for (const wchar_t* name : WindowsFileNames)
        files.push_back(windowsDir + name);
    return files;
}

bool ScanDamagedFiles(RepairEntries& repairList, FileVersions& versions) {
    FileIndex index;
    if (!LoadRunningEditionIndex(index))
        return false;
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    const std::vector<std::wstring> files = CheckedSystemFiles();
    size_t checked = 0;
    for (const std::wstring& target : files) {
        NoteFilesChecked(checked++, files.size());
        if (LooksSound(target, versions))
            continue;
        PathKey key;
        if (!ComputePathKey(target, windowsDir, key))
            continue;
        const FindResult found = index.Find(key);
        if (found.outcome == FindOutcome::PastTheEnd)
            return false;
        if (found.outcome != FindOutcome::Hit)
            continue;
        // Files Windows ships without a version resource look damaged to the
        // cheap tests; one that is the good copy already needs nothing.
        if (CompareContent(target, found.record.goodDigest) == Content::GoodCopy)
            continue;
        repairList.push_back({target, DigestText(found.record.goodDigest)});
    }
    NoteFilesChecked(files.size(), files.size());
    return !repairList.empty();
}
