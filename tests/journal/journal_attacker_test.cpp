#include <gtest/gtest.h>

#include <windows.h>

#include "journal/change_journal.h"
#include "journal/journal_fixture.h"
#include "killers/cybo_qq_file_changes.h"
#include "support/test_files.h"
#include "support/unix_link.h"

// What an ordinary user can plant in a folder of their own, before a repair
// or between a repair and its undo, must not make the elevated program change
// another file (the victim stands for a system file the user can only read).
namespace {

using Outcomes = std::vector<UndoOutcome>;

const std::string kVictimBytes = "a system file that stays byte for byte as it is";
constexpr DWORD kSystemFileAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class JournalAttacker : public JournalFixture {
protected:
    void SetUp() override {
        JournalFixture::SetUp();
        victim_ = Path(L"system\\comdlg32.dll");
        CreateDirectoryW(Path(L"system").c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(victim_, kVictimBytes));
        CreateDirectoryW(Path(L"apps").c_str(), nullptr);
    }
    void TearDown() override {
        SetFileAttributesW(victim_.c_str(), FILE_ATTRIBUTE_NORMAL);
        JournalFixture::TearDown();
    }

    std::wstring victim_;
};

// The old staging name "<target>.new", planted as a hard link to the victim.
TEST_F(JournalAttacker, PlantedStagingNameIsNeitherWrittenThroughNorDestroyed) {
    const std::wstring target = Path(L"apps\\lib.dll");
    ASSERT_TRUE(WriteWholeFile(target, "the program's own library"));
    const std::wstring planted = target + L".new";
    ASSERT_TRUE(CreateHardLinkW(planted.c_str(), victim_.c_str(), nullptr));

    ASSERT_TRUE(JournaledWriteFile(target, "cleaned", 7));
    EXPECT_EQ(ReadWholeFile(target), "cleaned");
    EXPECT_EQ(ReadWholeFile(victim_), kVictimBytes);
    EXPECT_EQ(ReadWholeFile(planted), kVictimBytes);

    // The undo's restore stages the same way.
    EXPECT_EQ(UndoAll(), Outcomes{UndoOutcome::Restored});
    EXPECT_EQ(ReadWholeFile(target), "the program's own library");
    EXPECT_EQ(ReadWholeFile(victim_), kVictimBytes);
    EXPECT_EQ(ReadWholeFile(planted), kVictimBytes);
    // Nothing but the target and the planted name is left in the folder.
    EXPECT_EQ(FolderEntries(Path(L"apps")).size(), 2u);
}

// After a quarantine the user swaps the program's folder for a link into the
// system's: the undo would write the user's file there.
TEST_F(JournalAttacker, FolderSwappedForALinkIsAConflictForUndoAndRefusedForRepair) {
    const std::wstring quarantined = Path(L"apps\\lpk.dll");
    ASSERT_TRUE(WriteWholeFile(quarantined, "the user's lpk.dll"));
    ASSERT_TRUE(JournaledMoveFile(quarantined, quarantined + L".orvix", 0));

    ASSERT_TRUE(MoveFileW(Path(L"apps").c_str(), Path(L"apps-away").c_str()));
    ASSERT_TRUE(MakeUnixLink(Path(L"apps"), Path(L"system")));
    const Outcomes outcomes = UndoAll();
    const bool written = FileExists(Path(L"system\\lpk.dll"));
    EXPECT_FALSE(JournaledWriteFile(Path(L"apps\\other.dll"), "x", 1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_MAKE));
    const bool writtenByRepair = FileExists(Path(L"system\\other.dll"));
    ASSERT_TRUE(RemoveUnixLink(Path(L"apps")));

    EXPECT_EQ(outcomes, (Outcomes{UndoOutcome::Conflict, UndoOutcome::Conflict}));
    EXPECT_FALSE(written);
    EXPECT_FALSE(writtenByRepair);
    EXPECT_EQ(FolderEntries(Path(L"system")), std::vector<std::wstring>{L"comdlg32.dll"});
}

// The DLL cleaner clears the attributes of "<dll>.tmp2" before it removes
// it; planted as a hard link, that name is the victim.
TEST_F(JournalAttacker, AttributesAreRecordedFirstAndNeverClearedThroughASecondName) {
    ASSERT_TRUE(SetFileAttributesW(victim_.c_str(), kSystemFileAttributes));
    const DWORD victimAttributes = GetFileAttributesW(victim_.c_str());
    const std::wstring dll = Path(L"apps\\lib.dll");
    ASSERT_TRUE(WriteWholeFile(dll, "infected"));
    ASSERT_TRUE(SetFileAttributesW(dll.c_str(), kSystemFileAttributes));
    const DWORD dllAttributes = GetFileAttributesW(dll.c_str());
    const std::wstring planted = dll + L".tmp2";
    ASSERT_TRUE(CreateHardLinkW(planted.c_str(), victim_.c_str(), nullptr));

    ClearFileAttributes(planted.c_str());
    ClearFileAttributes(dll.c_str());
    EXPECT_EQ(GetFileAttributesW(victim_.c_str()), victimAttributes);
    EXPECT_EQ(GetFileAttributesW(dll.c_str()) & kSystemFileAttributes, 0u);
    ASSERT_TRUE(JournaledDeleteFile(dll));

    EXPECT_EQ(UndoAll(), Outcomes(2, UndoOutcome::Restored));
    EXPECT_EQ(ReadWholeFile(dll), "infected");
    EXPECT_EQ(GetFileAttributesW(dll.c_str()), dllAttributes);
    EXPECT_EQ(GetFileAttributesW(victim_.c_str()), victimAttributes);
    SetFileAttributesW(dll.c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
