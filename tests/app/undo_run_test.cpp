#include <gtest/gtest.h>

#include <windows.h>

#include "app/command_line_modes.h"
#include "app/run_log.h"
#include "app/run_report.h"
#include "app/undo_run.h"
#include "journal/change_journal.h"
#include "journal/journal_fixture.h"
#include "journal/journal_folder.h"
#include "journal/journal_line.h"
#include "common/unique_resource.h"
#include "journal/journal_manifest.h"
#include "journal/registry_state.h"
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

// The undo's own journal used to prune: a journal over the size limit lost
// its copies mid-undo, and the restores failed.
TEST_F(UndoRun, PrunesNothingOfTheJournalItUndoes) {
    ASSERT_TRUE(WriteWholeFile(Path(L"lpk.dll"), "the user's library"));
    ASSERT_TRUE(JournaledDeleteFile(Path(L"lpk.dll")));
    const std::wstring padding = JournalFolder() + L"copies\\padding";
    {
        // Sparse: it counts towards the limit without taking the disk.
        UniqueFile file(CreateFileW(padding.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size = {};
        size.QuadPart = static_cast<LONGLONG>(kJournalMaxTotalBytes) + 1;
        ASSERT_TRUE(file && SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file.get()));
    }

    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(ReadWholeFile(Path(L"lpk.dll")), "the user's library");
    EXPECT_TRUE(DeleteFileW(padding.c_str()));
}

// Ends the run's journal (its manifest is open until then) and appends BYTES.
void AppendToManifest(const std::wstring& folder, const std::string& bytes) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::Repair, now);
    UniqueFile manifest(CreateFileW((folder + kManifestName).c_str(), FILE_APPEND_DATA, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(manifest && WriteFile(manifest.get(), bytes.data(),
                                      static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// A run killed while appending a line leaves it without its LF; the undo's
// note glued to it made the manifest unreadable, and the next undo took an
// older run.
TEST_F(UndoRun, TornLastLineIsCutOffAndTheJournalStaysTheOneUndone) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    const std::wstring repair = JournalNameOf(JournalFolder());
    AppendToManifest(JournalRoot() + repair + L"\\", "change\tvalue\tHKCU\\Soft");

    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(Seed(), 1u);
    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(TheRunReport().undoneJournal, repair);
    EXPECT_FALSE(TheRunReport().undoneBefore.empty());
}

TEST_F(UndoRun, UnreadableNewestJournalIsRefusedNotPassedOver) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    const std::wstring repair = JournalFolder();
    AppendToManifest(repair, "a line in no known form\n");

    EXPECT_EQ(RunUndo(), 2);
    EXPECT_EQ(Seed(), 2u);
    EXPECT_NE(TheRunLog().Text().find("Undo refused: the journal cannot be read\t"),
              std::string::npos);
    EXPECT_EQ(TheRunReport().undoRefusal, L"unreadable");
    RemoveFolderTree(repair);
}

// Local time went back between two runs (the end of daylight saving time):
// the run made last is still the one undone.
TEST_F(UndoRun, NewestRunIsUndoneAfterTheClockWentBack) {
    SYSTEMTIME first = {};
    first.wYear = 2098;
    first.wMonth = 10;
    first.wDay = 26;
    first.wHour = 2;
    first.wMinute = 50;
    SYSTEMTIME second = first;
    second.wHour = 2;
    second.wMinute = 10;
    BeginJournal(JournalMode::Repair, first);
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    BeginJournal(JournalMode::Repair, second);
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 3), ERROR_SUCCESS);
    const std::wstring newest = JournalNameOf(JournalFolder());

    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(TheRunReport().undoneJournal, newest);
    EXPECT_EQ(Seed(), 2u);
}

// A repair and the second pass after it write two journals: the first stays
// within reach by its name.
TEST_F(UndoRun, NamedOlderJournalIsUndoneAndTheNewerLeftAsItIs) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    const std::wstring older = JournalNameOf(JournalFolder());
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::SecondPass, now);
    ASSERT_EQ(JournaledSetDword(UserKey(), L"later", 5), ERROR_SUCCESS);

    EXPECT_EQ(RunUndo(older), 0);
    EXPECT_EQ(TheRunReport().undoneJournal, older);
    EXPECT_EQ(Seed(), 1u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kScratchKey, L"later"), 5u);
    EXPECT_EQ(RunUndo(L"000000-19990101-000000"), 2);
    EXPECT_EQ(UndoJournalArgument((L"filemender.exe /UNDO  " + older + L" ").c_str()), older);
    EXPECT_EQ(UndoJournalArgument(L"filemender.exe /undo"), L"");
}

// The second pass after the restart writes a journal of its own: /undo puts
// back the first pass with it.
TEST_F(UndoRun, RepairAndItsSecondPassAreUndoneTogether) {
    const std::wstring runOnce = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    ASSERT_EQ(JournaledSetString({HKEY_LOCAL_MACHINE, runOnce}, L"JournalTestPass", L"x"),
              ERROR_SUCCESS);
    ASSERT_TRUE(DeleteRegistryValue(HKEY_LOCAL_MACHINE, runOnce, L"JournalTestPass"));
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::SecondPass, now);
    ASSERT_EQ(JournaledSetDword(UserKey(), L"later", 5), ERROR_SUCCESS);

    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(Seed(), 1u);
    EXPECT_FALSE(ReadValueState(UserKey(), L"later")->present);
    EXPECT_EQ(RunUndo(), 0);
    EXPECT_FALSE(TheRunReport().undoneBefore.empty());
}

UniqueFile OpenToRead(const std::wstring& path, DWORD share) {
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Users may read the tool's folder; one who holds the log and the report open
// (sharing them) must not keep the run from writing either.
TEST_F(UndoRun, ReaderThatSharesBlocksNeitherLogNorReport) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    const DWORD everything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueFile log = OpenToRead(LogFilePath(true), everything);
    UniqueFile report = OpenToRead(RunReportPath(true), everything);
    ASSERT_TRUE(log && report);

    EXPECT_EQ(RunUndo(), 0);
    log.reset();
    report.reset();
    const std::string written = ReadWholeFile(RunReportPath(false));
    EXPECT_NE(written.find(ToUtf8(JournalNameOf(JournalFolder()))), std::string::npos);
    EXPECT_NE(ReadWholeFile(LogFilePath(false)).find(TheRunLog().Text()), std::string::npos);
}

// One who shares for reading only does stop them: the run says so in its
// exit code, and the next run says so in its log.
TEST_F(UndoRun, UnwritableLogAndReportAreSaidByExitCodeAndAtTheNextRun) {
    ASSERT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_SUCCESS);
    {
        UniqueFile log = OpenToRead(LogFilePath(true), FILE_SHARE_READ);
        UniqueFile report = OpenToRead(RunReportPath(true), FILE_SHARE_READ);
        ASSERT_TRUE(log && report);
        EXPECT_EQ(RunUndo(), 4);
        EXPECT_EQ(Seed(), 1u);
    }
    EXPECT_EQ(RunUndo(), 0);
    const std::string log = ReadWholeFile(LogFilePath(false));
    EXPECT_NE(log.find(std::string(kEarlierRecordUnwritten) + TheRunLog().Text()),
              std::string::npos);
    EXPECT_EQ(RunUndo(), 0);
    EXPECT_EQ(ReadWholeFile(LogFilePath(false)).find(kEarlierRecordUnwritten, log.size()),
              std::string::npos);
}

} // namespace
