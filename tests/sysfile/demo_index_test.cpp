#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_digest.h"
#include "common/md5.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "common/system_directories.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_index.h"
#include "sysfile/edition_key.h"
#include "sysfile/file_index.h"
#include "sysfile/file_version.h"
#include "sysfile/index_file.h"
#include "sysfile/path_key.h"
#include "sysfile/system_file_lists.h"
#include "sysfile/version_baseline.h"
#include "sysfile/whole_file.h"
#include "support/test_files.h"

// Runs in a pristine prefix set to Windows XP SP3 Chinese, the edition whose
// index the build generated from such a prefix: the program's own path from
// edition key to good digest must arrive at the content of the files here.
namespace {

TEST(DemoIndex, SystemFilesAreFoundWithTheirDigest) {
    const std::wstring edition = EditionKey();
    ASSERT_EQ(edition, L"0501.0300.2052");
    std::wstring indexPath;
    ASSERT_TRUE(MaterialiseIndex(edition, indexPath));
    FileIndex index;
    ASSERT_TRUE(index.Load(indexPath));

    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    std::vector<std::wstring> targets;
    for (const wchar_t* name : SystemFileNames)
        targets.push_back(SystemDirectoryWithSlash() + name);
    for (const wchar_t* name : WindowsFileNames)
        targets.push_back(windowsDir + name);

    int found = 0;
    for (const std::wstring& target : targets) {
        PathKey key = {};
        ASSERT_TRUE(ComputePathKey(target, windowsDir, key));
        const FindResult result = index.Find(key);
        std::vector<unsigned char> content;
        if (!LoadWholeFile(target, content)) {
            // Not in the reference installation, so not indexed.
            EXPECT_NE(result.outcome, FindOutcome::Hit) << target;
            continue;
        }
        ASSERT_EQ(result.outcome, FindOutcome::Hit) << target;
        Digest digest = {};
        ASSERT_TRUE(Md5Of(content.data(), content.size(), digest));
        EXPECT_EQ(DigestText(result.record.goodDigest), DigestText(digest)) << target;
        ++found;
    }
    EXPECT_GE(found, 25) << "kernel32.dll, explorer.exe and the rest of a fresh prefix";
}

// Users may create files where the index file is written; one they keep from
// being rewritten must not decide what a system file's good content is.
TEST(DemoIndex, PlantedIndexFileIsNeverReadBack) {
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    const std::wstring kernel32 = SystemDirectoryWithSlash() + L"kernel32.dll";
    PathKey key = {};
    Digest genuine = {};
    Digest regedit = {};
    ASSERT_TRUE(ComputePathKey(kernel32, windowsDir, key));
    ASSERT_TRUE(DigestOfFile(kernel32, genuine));
    ASSERT_TRUE(DigestOfFile(windowsDir + L"regedit.exe", regedit));
    // One record: kernel32.dll's good content would be regedit.exe.
    std::string planted(reinterpret_cast<const char*>(key.data()), key.size());
    planted.append(reinterpret_cast<const char*>(regedit.data()), regedit.size());

    const std::wstring path = ToolDataFile(L"filemender.idx", true);
    ASSERT_FALSE(path.empty());
    struct Hold {
        const char* what;
        bool readOnly;
        bool heldOpen;
    } holds[] = {{"read-only", true, false}, {"held open", false, true}};
    for (const Hold& hold : holds) {
        SCOPED_TRACE(hold.what);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteWholeFile(path, planted));
        if (hold.readOnly) {
            ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        UniqueFile held;
        if (hold.heldOpen)
            held.reset(
                CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));

        FileIndex index;
        ASSERT_TRUE(LoadRunningEditionIndex(index));
        const FindResult found = index.Find(key);
        ASSERT_EQ(found.outcome, FindOutcome::Hit);
        EXPECT_EQ(DigestText(found.record.goodDigest), DigestText(genuine));
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

TEST(DemoIndex, BaselineRowsAreTheVersionsOfTheFilesHere) {
    const std::wstring edition = EditionKey();
    const std::wstring systemDir = SystemDirectoryWithSlash();
    size_t rows = 0;
    for (const VersionBaselineRow& row : VersionBaselineRowsFor(edition)) {
        ++rows;
        std::wstring version;
        ASSERT_TRUE(FileVersionString(systemDir + row.fileName, version)) << row.fileName;
        EXPECT_EQ(version, row.expectedVersion) << row.fileName;
    }
    EXPECT_GT(rows, 0u);
}

} // namespace
