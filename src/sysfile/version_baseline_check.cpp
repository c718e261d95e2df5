#include "sysfile/version_baseline_check.h"

#include "common/system_directories.h"
#include "sysfile/content_check.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_index.h"
#include "sysfile/edition_key.h"
#include "sysfile/path_key.h"
#include "sysfile/version_baseline.h"

bool CheckVersionBaseline(RepairEntries& repairList, FileVersions& versions) {
    FileIndex index;
    if (!LoadRunningEditionIndex(index))
        return false;
    const std::wstring systemDir = SystemDirectoryWithSlash();
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    bool listed = false;
    for (const VersionBaselineRow& row : VersionBaselineRowsFor(EditionKey())) {
        const std::wstring target = systemDir + row.fileName;
        std::wstring version;
        if (!versions.Get(target, version))
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
        // Whatever its version text says, a file that is the good copy
        // already is left alone; one of the expected text whose content
        // cannot be read is left alone too.
        const Content content = CompareContent(target, found.record.goodDigest);
        if (content == Content::GoodCopy || (order == 0 && content == Content::Unreadable))
            continue;
        repairList.push_back({target, DigestText(found.record.goodDigest)});
        listed = true;
    }
    return listed;
}
