#include <gtest/gtest.h>

#include <windows.h>

#include "app/run_log.h"
#include "app/undo_run.h"
#include "journal/change_journal.h"
#include "journal/journal_fixture.h"
#include "journal/journal_manifest.h"
#include "support/test_files.h"
#include "sysfile/registry_fixture.h"

namespace {

class UndoRun : public JournalFixture {
protected:
    DWORD Seed() { return DwordValue(HKEY_CURRENT_USER, kScratchKey, L"seed"); }
};

// The undo's own journal is newer than the repair's; taking it would make
// the repair again.
TEST_F(UndoRun, PutsBackTheLastRepairOnceAndPassesOverUndoJournals) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    ASSERT_TRUE(JournaledWriteFile(Path(L"made.dll"), "made", 4));

    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(Seed(), 1u);
    EXPECT_FALSE(FileExists(Path(L"made.dll")));
    EXPECT_EQ(JournalChanges().size(), 2u);
    EXPECT_NE(TheRunLog().Text().find("restored\tvalue\tHKCU\\Software\\JournalTest\tseed\r\n"),
              std::string::npos);

    EXPECT_EQ(RunUndo(), 0);
    EXPECT_TRUE(JournalChanges().empty());
    EXPECT_EQ(Seed(), 1u);
    EXPECT_NE(TheRunLog().Text().find("Undo: undone before by\t"), std::string::npos);
}

TEST_F(UndoRun, RefusesAJournalOthersCouldHaveWritten) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    ASSERT_TRUE(GrantEveryoneWrite(JournalFolder() + kManifestName));

    EXPECT_EQ(RunUndo(), 2);
    EXPECT_EQ(Seed(), 2u);
    EXPECT_TRUE(JournalChanges().empty());
    EXPECT_NE(TheRunLog().Text().find("Undo refused"), std::string::npos);
}

} // namespace
