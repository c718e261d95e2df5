#include <gtest/gtest.h>

#include <windows.h>

#include "app/run_flags.h"
#include "app/run_report.h"
#include "app/run_log.h"
#include "app/stop_request.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/muicache_fixture.h"
#include "sysfile/suspect_quarantine.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include "support/unix_link.h"

namespace {

class SuspectQuarantine : public MuiCacheFixture {
protected:
    void SetUp() override {
        MuiCacheFixture::SetUp();
        TheRunLog().Assign(nullptr);
        TheRunFlags().restartRequired = 0;
    }
    void TearDown() override {
        TheRunLog().Assign(nullptr);
        TheRunFlags().restartRequired = 0;
        MuiCacheFixture::TearDown();
    }
};

const std::string kPlanted = "planted library, not a PE image";

TEST_F(SuspectQuarantine, FoundLibraryIsMovedAsideAndLoggedAsTheUserSeesIt) {
    MakeFolder(L"C:\\Apps\\Quarantine");
    PlantText(L"C:\\Apps\\Quarantine\\Lpk.DLL");
    RecordProgram(L"C:\\Apps\\Quarantine\\app.exe");
    ASSERT_TRUE(WriteWholeFile(L"C:\\Apps\\Quarantine\\lpk.dll.orvix", "earlier quarantine"));

    QuarantineSuspects(Scan());

    EXPECT_FALSE(FileExists(L"C:\\Apps\\Quarantine\\lpk.dll"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Quarantine\\lpk.dll.orvix"), kPlanted);
    // Neither the device prefix nor the lower case the check works with.
    EXPECT_EQ(TheRunLog().Text(), "Search Path Inject\tC:\\Apps\\Quarantine\\Lpk.DLL\r\n");
    EXPECT_EQ(TheRunFlags().restartRequired, 0);
}

TEST_F(SuspectQuarantine, StopBeforeTheQuarantineLeavesTheLibrary) {
    MakeFolder(L"C:\\Apps\\Stopped");
    PlantText(L"C:\\Apps\\Stopped\\lpk.dll");
    RecordProgram(L"C:\\Apps\\Stopped\\app.exe");

    RequestStop();
    QuarantineSuspects(Scan());
    ClearStopRequest();

    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Stopped\\lpk.dll"), kPlanted);
    EXPECT_FALSE(FileExists(L"C:\\Apps\\Stopped\\lpk.dll.orvix"));
    EXPECT_EQ(TheRunLog().Text(), "");
}

// Wine's wineboot performs the renames Windows performs at its next start.
TEST_F(SuspectQuarantine, LibraryInUseIsCopiedNowAndMovedAtRestart) {
    MakeFolder(L"C:\\Apps\\InUse");
    PlantText(L"C:\\Apps\\InUse\\lpk.dll");
    RecordProgram(L"C:\\Apps\\InUse\\app.exe");
    {
        // Loaded by a program: readable, but not deletable.
        UniqueFile inUse(CreateFileW(L"C:\\Apps\\InUse\\lpk.dll", GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse);
        QuarantineSuspects(Scan());
        EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\InUse\\lpk.dll.orvix"), kPlanted);
        EXPECT_TRUE(FileExists(L"C:\\Apps\\InUse\\lpk.dll"));
    }
    EXPECT_EQ(TheRunFlags().restartRequired, 1);
    EXPECT_EQ(TheRunLog().Text(), "Search Path Inject\tC:\\Apps\\InUse\\lpk.dll\r\n");

    ASSERT_EQ(RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000), 0u);
    EXPECT_FALSE(FileExists(L"C:\\Apps\\InUse\\lpk.dll"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\InUse\\lpk.dll.orvix"), kPlanted);
}

// A suspect may be a genuine file; without its copy it is not deleted. Nor is
// it moved at the next start: a folder in the copy's place cannot be kept in
// the change journal, so that move could not be put back.
TEST_F(SuspectQuarantine, LibraryIsKeptWhenItsCopyFails) {
    MakeFolder(L"C:\\Apps\\CopyFails");
    PlantText(L"C:\\Apps\\CopyFails\\lpk.dll");
    RecordProgram(L"C:\\Apps\\CopyFails\\app.exe");
    ASSERT_TRUE(CreateDirectoryW(L"C:\\Apps\\CopyFails\\lpk.dll.orvix", nullptr));

    QuarantineSuspects(Scan());

    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\CopyFails\\lpk.dll"), kPlanted);
    EXPECT_EQ(TheRunFlags().restartRequired, 0);
    // Found and left where it is: the log and the report say it is not repaired.
    EXPECT_EQ(TheRunLog().Text(),
              "Search Path Inject\tC:\\Apps\\CopyFails\\lpk.dll\r\n"
              "\xce\xb4\xc4\xdc\xd0\xde\xb8\xb4\tC:\\Apps\\CopyFails\\lpk.dll\r\n");
    ASSERT_FALSE(TheRunReport().notRepaired.empty());
    EXPECT_EQ(TheRunReport().notRepaired.back(), L"C:\\Apps\\CopyFails\\lpk.dll");
}

// The folder is the user's: swapped for a link into the system directory
// between the scan and the repair, it must not cost the system its library.
TEST_F(SuspectQuarantine, FolderSwappedForALinkAfterTheScanIsLeftAlone) {
    MakeFolder(L"C:\\Apps\\Swapped");
    PlantText(L"C:\\Apps\\Swapped\\msimg32.dll");
    RecordProgram(L"C:\\Apps\\Swapped\\app.exe");
    const InjectSuspectSet suspects = Scan();
    ASSERT_EQ(suspects.count(StoredForm(L"C:\\Apps\\Swapped\\msimg32.dll")), 1u);
    const std::wstring genuine = SystemDirectoryWithSlash() + L"msimg32.dll";
    const std::string before = ReadWholeFile(genuine);
    ASSERT_FALSE(before.empty());

    ASSERT_TRUE(MoveFileW(L"C:\\Apps\\Swapped", L"C:\\Apps\\SwappedAway"));
    // Removed under its new name: a recursive delete of the link would
    // empty the system directory.
    folders_.back() = L"C:\\Apps\\SwappedAway";
    std::wstring systemDirectory = SystemDirectoryWithSlash();
    systemDirectory.pop_back();
    ASSERT_TRUE(MakeUnixLink(L"C:\\Apps\\Swapped", systemDirectory));

    QuarantineSuspects(suspects);

    EXPECT_TRUE(RemoveUnixLink(L"C:\\Apps\\Swapped"));
    EXPECT_TRUE(ReadWholeFile(genuine) == before);
    EXPECT_FALSE(FileExists(genuine + L".orvix"));
    EXPECT_EQ(TheRunLog().Text(), "");
    EXPECT_EQ(TheRunFlags().restartRequired, 0);
}

} // namespace
