#include "sysfile/version_baseline_check.h"

#include <vector>

#include "common/md5.h"
#include "common/system_directories.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_index.h"
#include "sysfile/edition_key.h"
#include "sysfile/file_version.h"
#include "sysfile/path_key.h"
#include "sysfile/version_baseline.h"
#include "sysfile/whole_file.h"

namespace {

bool ContentDiffers(const std::wstring& path, const Digest& good) {
    std::vector<unsigned char> content;
    Digest actual;
    return LoadWholeFile(path, content) && Md5Of(content.data(), content.size(), actual) &&
           actual != good;
}

} // namespace

bool CheckVersionBaseline(RepairEntries& repairList) {
    FileIndex index;
    if (!LoadRunningEditionIndex(index))
        return false;
    const std::wstring systemDir = SystemDirectoryWithSlash();
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    bool listed = false;
    for (const VersionBaselineRow& row : VersionBaselineRowsFor(EditionKey())) {
        const std::wstring target = systemDir + row.fileName;
        std::wstring version;
        if (!FileVersionString(target, version))
            continue;
        const int order = CompareVersionText(version, row.expectedVersion);
        if (order > 0)
            continue; // newer than the release build: updates are kept
        PathKey key;
        if (!ComputePathKey(target, windowsDir, key))
            continue;
        const FindResult found = index.Find(key);
        if (found.outcome == FindOutcome::PastTheEnd)
            break;
        if (found.outcome != FindOutcome::Hit)
            continue;
        if (order < 0 || ContentDiffers(target, found.record.goodDigest)) {
            repairList.push_back({target, DigestText(found.record.goodDigest)});
            listed = true;
        }
    }
    return listed;
}
