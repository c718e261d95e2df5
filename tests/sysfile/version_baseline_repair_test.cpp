#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_log.h"
#include "common/unique_resource.h"
#include "sysfile/edition_key.h"
#include "sysfile/mender_fixture.h"
#include "sysfile/system_file_replacement.h"
#include "sysfile/version_baseline_check.h"
#include "support/test_files.h"

// DLLs with chosen version texts planted over baseline files whose expected
// version in this edition is "5.3.1.904" (dsound, ddraw, d3d8, d3d9).
namespace {

class VersionBaselineRepair : public MenderFixture {
protected:
    void SetUp() override {
        MenderFixture::SetUp();
        ReadPlantedFilesThemselves({L"dsound", L"ddraw", L"d3d8", L"d3d9", L"d3d8thk"});
    }
};

struct VersionCase {
    const wchar_t* target;
    const wchar_t* plantedFrom; // null: the file stays as the reference has it
    bool replaced;
    const char* why;
};

const VersionCase kCases[] = {
    {L"dsound.dll", L"C:\\tools\\version_newer.dll", false,
     "5.3.1.905 is newer than 5.3.1.904: an update, kept"},
    {L"ddraw.dll", L"C:\\tools\\version_build1000.dll", false,
     "5.3.1.1000 is a greater build number than 5.3.1.904: an update, kept"},
    {L"d3d8.dll", L"C:\\tools\\version_older.dll", true, "4.0.0.0: older, replaced"},
    {L"d3d9.dll", L"C:\\tools\\version_same.dll", true,
     "the same text 5.3.1.904 with other content: replaced"},
    {L"d3d8thk.dll", nullptr, false, "the reference's text and content: kept"},
};

TEST_F(VersionBaselineRepair, OnlyOlderTextsAndForeignContentAreReplaced) {
    struct Planted {
        std::wstring target;
        std::string original;
        std::string planted;
    };
    std::vector<Planted> files;
    for (const VersionCase& c : kCases) {
        Planted p{SystemFile(c.target), ReadWholeFile(SystemFile(c.target)), {}};
        p.planted = c.plantedFrom ? ReadWholeFile(c.plantedFrom) : p.original;
        ASSERT_FALSE(p.planted.empty()) << c.why;
        files.push_back(p);
    }
    const ScopeExit restore([&] {
        for (const Planted& p : files)
            WriteWholeFile(p.target, p.original);
    });
    for (const Planted& p : files)
        ASSERT_TRUE(p.planted == p.original || WriteWholeFile(p.target, p.planted));

    RepairEntries list;
    FileVersions versions;
    EXPECT_TRUE(CheckVersionBaseline(list, versions));
    std::vector<std::wstring> listed, expectedListed;
    for (const RepairEntry& entry : list) {
        listed.push_back(entry.target);
        EXPECT_EQ(entry.digest, IndexedDigestOf(entry.target));
    }
    for (const VersionCase& c : kCases)
        if (c.replaced)
            expectedListed.push_back(SystemFile(c.target));
    ASSERT_EQ(listed, expectedListed);

    ReplaceSystemFiles(EditionKey(), list);

    std::string expectedLog;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string now = ReadWholeFile(files[i].target);
        EXPECT_TRUE(now == (kCases[i].replaced ? files[i].original : files[i].planted))
            << kCases[i].why;
        if (kCases[i].replaced)
            expectedLog += FileRepairedLine(files[i].target);
    }
    EXPECT_EQ(TheRunLog().Text(), expectedLog);

    // A second check on the repaired files finds nothing older or foreign.
    RepairEntries again;
    FileVersions versionsNow;
    EXPECT_FALSE(CheckVersionBaseline(again, versionsNow));
    EXPECT_TRUE(again.empty());
}

} // namespace
