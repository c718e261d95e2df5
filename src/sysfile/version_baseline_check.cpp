#include "sysfile/version_baseline_check.h"

#include "common/system_directories.h"
#include "sysfile/content_check.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_index.h"
#include "sysfile/edition_key.h"
#include "sysfile/path_key.h"
#include "sysfile/run_digests.h"
#include "sysfile/version_baseline.h"

namespace {

// A row whose file is at most as new as the release build and is in the index.
struct Doubted {
    std::wstring target;
    Digest good;
    int order; // of its version text against the expected one
};

} // namespace

bool CheckVersionBaseline(RepairEntries& repairList, FileVersions& versions) {
    FileIndex index;
    if (!LoadRunningEditionIndex(index))
        return false;
    const std::wstring systemDir = SystemDirectoryWithSlash();
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    std::vector<Doubted> doubted;
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
        if (found.outcome == FindOutcome::Hit)
            doubted.push_back({target, found.record.goodDigest, order});
    }

    // The contents are what costs: all of them at once, on both cores.
    std::vector<std::wstring> targets;
    for (const Doubted& file : doubted)
        targets.push_back(file.target);
    PrefetchRunDigests(targets);

    bool listed = false;
    for (const Doubted& file : doubted) {
        // Whatever its version text says, a file that is the good copy
        // already is left alone; one of the expected text whose content
        // cannot be read is left alone too.
        const Content content = CompareContent(file.target, file.good);
        if (content == Content::GoodCopy || (file.order == 0 && content == Content::Unreadable))
            continue;
        repairList.push_back({file.target, DigestText(file.good)});
        listed = true;
    }
    return listed;
}
