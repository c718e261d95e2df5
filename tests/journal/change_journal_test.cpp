#include <gtest/gtest.h>

#include <windows.h>

#include "journal/change_journal.h"
#include "journal/journal_fixture.h"
#include "journal/journal_manifest.h"
#include "common/md5.h"
#include "journal/registry_state.h"
#include "support/test_files.h"
#include "sysfile/registry_fixture.h"

namespace {

using Outcomes = std::vector<UndoOutcome>;

Digest DigestOf(const std::string& bytes) {
    Digest digest;
    EXPECT_TRUE(Md5Of(bytes.data(), bytes.size(), digest));
    return digest;
}

class ChangeJournal : public JournalFixture {};

TEST_F(ChangeJournal, FileChangesAreRecordedFirstAndComeBackByteForByte) {
    ASSERT_TRUE(WriteWholeFile(Path(L"written.dll"), "old written"));
    ASSERT_TRUE(WriteWholeFile(Path(L"deleted.dll"), "old deleted"));
    ASSERT_TRUE(WriteWholeFile(Path(L"moved.dll"), "old moved"));
    ASSERT_TRUE(WriteWholeFile(Path(L"replaced.dll"), "old replaced"));
    ASSERT_TRUE(WriteWholeFile(Path(L"downloaded.dll"), "old downloaded"));
    ASSERT_TRUE(SetFileAttributesW(Path(L"deleted.dll").c_str(), FILE_ATTRIBUTE_HIDDEN));

    ASSERT_TRUE(JournaledWriteFile(Path(L"written.dll"), "new", 3));
    ASSERT_TRUE(JournaledWriteFile(Path(L"created.dll"), "created", 7));
    ASSERT_TRUE(JournaledDeleteFile(Path(L"deleted.dll")));
    ASSERT_TRUE(JournaledCopyFile(Path(L"moved.dll"), Path(L"copied.dll"), true));
    ASSERT_TRUE(
        JournaledMoveFile(Path(L"moved.dll"), Path(L"replaced.dll"), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(RecordFileWrite(Path(L"downloaded.dll"), DigestOf("fetched")));
    ASSERT_TRUE(WriteWholeFile(Path(L"downloaded.dll"), "fetched"));

    // Each change names its target, and what it was before is in the journal.
    const auto manifest = ReadManifest(JournalFolder());
    ASSERT_TRUE(manifest);
    ASSERT_EQ(manifest->changes.size(), 7u); // a move changes two files
    EXPECT_EQ(manifest->mode, L"repair");
    EXPECT_EQ(manifest->changes[0].target, Path(L"written.dll"));
    EXPECT_EQ(manifest->changes[1].before, L"absent");
    EXPECT_EQ(manifest->changes[2].after, L"absent");
    EXPECT_EQ(manifest->changes[5].target, Path(L"moved.dll"));
    EXPECT_EQ(manifest->changes, JournalChanges());
    EXPECT_TRUE(JournalIsTrustworthy(JournalFolder()));

    const std::wstring repairJournal = JournalFolder();
    EXPECT_EQ(UndoAll(), Outcomes(7, UndoOutcome::Restored));
    EXPECT_EQ(ReadWholeFile(Path(L"written.dll")), "old written");
    EXPECT_EQ(ReadWholeFile(Path(L"deleted.dll")), "old deleted");
    EXPECT_EQ(ReadWholeFile(Path(L"moved.dll")), "old moved");
    EXPECT_EQ(ReadWholeFile(Path(L"replaced.dll")), "old replaced");
    EXPECT_EQ(ReadWholeFile(Path(L"downloaded.dll")), "old downloaded");
    EXPECT_TRUE(GetFileAttributesW(Path(L"deleted.dll").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(FileExists(Path(L"created.dll")));
    EXPECT_FALSE(FileExists(Path(L"copied.dll")));
    // The undo is recorded in a journal of its own; undoing the repair once
    // more finds everything as before and changes nothing. (The hidden
    // attribute put back is a change of its own.)
    EXPECT_EQ(JournalChanges().size(), 8u);
    EXPECT_EQ(UndoJournalIn(repairJournal), Outcomes(7, UndoOutcome::AlreadyAsBefore));
    EXPECT_TRUE(JournalChanges().empty());
    EXPECT_EQ(ReadWholeFile(Path(L"written.dll")), "old written");
}

// One row per registry value type a repair may write, over a value that was
// there and over one that was not.
TEST_F(ChangeJournal, RegistryValuesOfEveryTypeAndCreatedKeysComeBack) {
    struct Row {
        const wchar_t* name;
        DWORD type;
        std::vector<unsigned char> bytes;
    };
    const std::vector<Row> rows = {
        {L"sz", REG_SZ, {'a', 0, 0, 0}},
        {L"expand", REG_EXPAND_SZ, {'%', 0, 'x', 0, '%', 0, 0, 0}},
        {L"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {L"binary", REG_BINARY, {0, 1, 2, 0xff}},
        {L"empty binary", REG_BINARY, {}},
        {L"dword", REG_DWORD, {4, 0, 0, 0}},
        {L"", REG_SZ, {'d', 0, 0, 0}}, // the default value
    };
    ASSERT_TRUE(SetStringValue(HKEY_CURRENT_USER, kScratchKey, L"sz", L"before"));
    ASSERT_TRUE(SetDwordValue(HKEY_CURRENT_USER, kScratchKey, L"dword", 7));
    ASSERT_TRUE(SetStringValue(HKEY_CURRENT_USER, kScratchKey, L"deleted", L"keep me"));
    const std::wstring before = KeySnapshot(UserKey());

    for (const Row& row : rows)
        ASSERT_EQ(JournaledSetValue(UserKey(), row.name, row.type, row.bytes.data(),
                                    static_cast<DWORD>(row.bytes.size())),
                  ERROR_SUCCESS)
            << row.name;
    ASSERT_EQ(JournaledDeleteValue(UserKey(), L"deleted"), ERROR_SUCCESS);
    EXPECT_EQ(JournaledDeleteValue(UserKey(), L"never there"), ERROR_FILE_NOT_FOUND);
    UniqueKey created;
    ASSERT_EQ(JournaledCreateKey(UserKey(L"new\\deeper"), KEY_ALL_ACCESS, created), ERROR_SUCCESS);
    created.reset();
    ASSERT_EQ(JournaledSetString(UserKey(L"new\\deeper"), L"inside", L"x"), ERROR_SUCCESS);
    const auto written = ReadValueState(UserKey(), L"expand");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(written->bytes, rows[1].bytes);

    const Outcomes outcomes = UndoAll();
    EXPECT_EQ(outcomes, Outcomes(rows.size() + 4, UndoOutcome::Restored));
    EXPECT_EQ(KeySnapshot(UserKey()), before);
    EXPECT_FALSE(RegistryKeyExists(UserKey(L"new")));
}

TEST_F(ChangeJournal, DeletedKeyTreeAndReplacedDaclComeBack) {
    ASSERT_TRUE(
        SetStringValue(HKEY_LOCAL_MACHINE, std::wstring(kScratchKey) + L"\\tree\\a", L"v", L"1"));
    ASSERT_TRUE(
        SetDwordValue(HKEY_LOCAL_MACHINE, std::wstring(kScratchKey) + L"\\tree\\b\\c", L"d", 2));
    const unsigned char binary[] = {1, 2, 3};
    ASSERT_EQ(JournaledSetValue(MachineKey(L"tree"), L"bin", REG_BINARY, binary, 3), ERROR_SUCCESS);
    const std::wstring before = KeySnapshot(MachineKey(L"tree"));

    std::wstring originalDacl;
    ASSERT_EQ(ReadKeyDacl(MachineKey(L"tree\\a"), originalDacl), ERROR_SUCCESS);
    // Taking a key over to get at it, and putting its DACL back afterwards.
    ASSERT_EQ(JournaledSetKeyDacl(MachineKey(L"tree\\a"), L"D:P(A;;KA;;;BA)(A;;KR;;;WD)"),
              ERROR_SUCCESS);
    std::wstring changedDacl;
    ASSERT_EQ(ReadKeyDacl(MachineKey(L"tree\\a"), changedDacl), ERROR_SUCCESS);
    EXPECT_NE(changedDacl, originalDacl);
    ASSERT_EQ(JournaledDeleteKeyTree(MachineKey(L"tree")), ERROR_SUCCESS);
    EXPECT_FALSE(RegistryKeyExists(MachineKey(L"tree")));

    // Newest first: the tree comes back with the DACL it had when deleted,
    // then that DACL is put back as it was.
    EXPECT_EQ(UndoAll(), Outcomes(3, UndoOutcome::Restored));
    std::wstring restoredDacl;
    ASSERT_EQ(ReadKeyDacl(MachineKey(L"tree\\a"), restoredDacl), ERROR_SUCCESS);
    EXPECT_EQ(restoredDacl, originalDacl);
    EXPECT_FALSE(ReadValueState(MachineKey(L"tree"), L"bin")->present);
    EXPECT_TRUE(RegistryKeyExists(MachineKey(L"tree\\b\\c")));
    EXPECT_EQ(ReadValueState(MachineKey(L"tree\\a"), L"v")->bytes,
              (std::vector<unsigned char>{'1', 0, 0, 0}));
    (void)before;
}

TEST_F(ChangeJournal, TargetsChangedAgainAreLeftAloneAsConflicts) {
    ASSERT_TRUE(WriteWholeFile(Path(L"lib.dll"), "original"));
    ASSERT_EQ(JournaledSetString(UserKey(), L"Shell", L"repaired"), ERROR_SUCCESS);
    ASSERT_TRUE(JournaledWriteFile(Path(L"lib.dll"), "repaired", 8));
    ASSERT_EQ(JournaledSetString(UserKey(), L"Other", L"repaired"), ERROR_SUCCESS);
    // Someone else changes two of the three targets after the run.
    ASSERT_TRUE(SetStringValue(HKEY_CURRENT_USER, kScratchKey, L"Shell", L"user's own"));
    ASSERT_TRUE(WriteWholeFile(Path(L"lib.dll"), "updated by Windows"));

    EXPECT_EQ(UndoAll(),
              (Outcomes{UndoOutcome::Restored, UndoOutcome::Conflict, UndoOutcome::Conflict}));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kScratchKey, L"Shell"), L"user's own");
    EXPECT_EQ(ReadWholeFile(Path(L"lib.dll")), "updated by Windows");
    bool found = true;
    StringValue(HKEY_CURRENT_USER, kScratchKey, L"Other", &found);
    EXPECT_FALSE(found);
}

// A change recorded but cut off before it was made leaves its target as it
// was: undo finds it as before and leaves it.
TEST_F(ChangeJournal, ChangeRecordedButNeverMadeIsLeftAsItIs) {
    ASSERT_TRUE(WriteWholeFile(Path(L"lib.dll"), "original"));
    ASSERT_TRUE(RecordFileWrite(Path(L"lib.dll"), DigestOf("never written")));
    const unsigned char data[] = {1};
    ASSERT_EQ(JournaledSetValue(UserKey(L"missing key"), L"v", REG_BINARY, data, 1),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(UndoAll(), Outcomes{UndoOutcome::AlreadyAsBefore});
    EXPECT_EQ(ReadWholeFile(Path(L"lib.dll")), "original");
}

TEST_F(ChangeJournal, ScanOnlyRefusesEveryChange) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::ScanOnly, now);
    ASSERT_TRUE(WriteWholeFile(Path(L"lib.dll"), "original"));

    EXPECT_FALSE(JournaledWriteFile(Path(L"lib.dll"), "x", 1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_MAKE));
    EXPECT_FALSE(JournaledDeleteFile(Path(L"lib.dll")));
    EXPECT_FALSE(JournaledMoveFile(Path(L"lib.dll"), L"", MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_FALSE(JournaledCopyFile(Path(L"lib.dll"), Path(L"copy.dll"), false));
    EXPECT_EQ(JournaledSetDword(UserKey(), L"seed", 2), ERROR_CANNOT_MAKE);
    EXPECT_EQ(JournaledDeleteValue(UserKey(), L"seed"), ERROR_CANNOT_MAKE);
    UniqueKey key;
    EXPECT_EQ(JournaledCreateKey(UserKey(L"new"), KEY_READ, key), ERROR_CANNOT_MAKE);
    EXPECT_EQ(JournaledDeleteKeyTree(UserKey()), ERROR_CANNOT_MAKE);
    EXPECT_FALSE(RecordNetworkComponentRemoval(L"ms_test", L""));

    EXPECT_EQ(ReadWholeFile(Path(L"lib.dll")), "original");
    EXPECT_FALSE(FileExists(Path(L"copy.dll")));
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kScratchKey, L"seed"), 1u);
    EXPECT_FALSE(RegistryKeyExists(UserKey(L"new")));
    EXPECT_TRUE(JournalFolder().empty());
}

// A file that cannot be read cannot be kept, so it is not changed.
TEST_F(ChangeJournal, FileThatCannotBeKeptIsNotChanged) {
    ASSERT_TRUE(WriteWholeFile(Path(L"locked.dll"), "original"));
    UniqueFile locked(CreateFileW(Path(L"locked.dll").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(JournaledDeleteFile(Path(L"locked.dll")));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_MAKE));
    locked.reset();
    EXPECT_EQ(ReadWholeFile(Path(L"locked.dll")), "original");
}

// Wine's wineboot performs the moves Windows performs at its next start.
// Windows keeps the move as "\??\C:\..."; the run may have named it
// "\\?\C:\...". Only the run's own pair goes, not another program's move
// of the same file.
TEST_F(ChangeJournal, MoveAtNextStartIsCancelledWhilePending) {
    ASSERT_TRUE(WriteWholeFile(Path(L"staged"), "good copy"));
    ASSERT_TRUE(WriteWholeFile(Path(L"target.dll"), "damaged"));
    ASSERT_TRUE(WriteWholeFile(Path(L"other"), "other"));
    ASSERT_TRUE(MoveFileExW(Path(L"staged").c_str(), Path(L"elsewhere").c_str(),
                            MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(JournaledMoveFile(L"\\\\?\\" + Path(L"staged"), L"\\\\?\\" + Path(L"target.dll"),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
    // Another program's pending deletion stays.
    ASSERT_TRUE(MoveFileExW(Path(L"other").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(JournalChanges().back().kind, L"file-next-start");

    EXPECT_EQ(UndoAll(), (Outcomes{UndoOutcome::Restored, UndoOutcome::AlreadyAsBefore}));
    const RegistryKeyPath sessionManager = {
        HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0};
    const auto pending = ReadValueState(sessionManager, L"PendingFileRenameOperations");
    ASSERT_TRUE(pending && pending->present);
    const std::wstring text(reinterpret_cast<const wchar_t*>(pending->bytes.data()),
                            pending->bytes.size() / 2);
    EXPECT_EQ(text.find(L"target.dll"), std::wstring::npos);
    EXPECT_NE(text.find(L"elsewhere"), std::wstring::npos);
    EXPECT_NE(text.find(L"other"), std::wstring::npos);
    // The cancellation is recorded in the undo's journal.
    ASSERT_EQ(JournalChanges().size(), 1u);
    EXPECT_EQ(JournalChanges()[0].name, L"PendingFileRenameOperations");
    ASSERT_TRUE(DeleteRegistryValue(HKEY_LOCAL_MACHINE,
                                    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                    L"PendingFileRenameOperations"));
}

TEST_F(ChangeJournal, ImportedScriptAndCreatedServiceAreUndone) {
    const std::wstring script = Path(L"fix.reg");
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\JournalTest\\Script\\Deep]\r\n"
        "\"Text\"=\"from script\"\r\n\"Number\"=dword:00000005\r\n"
        "[HKEY_CURRENT_USER\\Software\\JournalTest]\r\n\"seed\"=dword:00000009\r\n"
        // A second key below the same missing parent: the parent is made once.
        "[HKEY_CURRENT_USER\\Software\\JournalTest\\Script\\Other]\r\n\"More\"=\"x\"\r\n";
    ASSERT_TRUE(WriteWholeFile(script, text));
    ASSERT_TRUE(JournaledImportRegistryScript(script));
    EXPECT_EQ(
        StringValue(HKEY_CURRENT_USER, std::wstring(kScratchKey) + L"\\Script\\Deep", L"Text"),
        L"from script");
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kScratchKey, L"seed"), 9u);

    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager);
    UniqueServiceHandle service;
    ASSERT_EQ(JournaledCreateService(manager.get(), L"journaltest", L"journaltest",
                                     SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                     L"C:\\journal-test\\none.sys", service),
              ERROR_SUCCESS);
    service.reset();
    EXPECT_EQ(JournaledCreateService(manager.get(), L"journaltest", L"journaltest",
                                     SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                     L"C:\\journal-test\\none.sys", service),
              ERROR_SERVICE_EXISTS);

    // The service, four values, three keys, the script line.
    const Outcomes outcomes = UndoAll();
    Outcomes expected(8, UndoOutcome::Restored);
    expected.push_back(UndoOutcome::AlreadyAsBefore);
    EXPECT_EQ(outcomes, expected);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kScratchKey, L"seed"), 1u);
    EXPECT_FALSE(RegistryKeyExists(UserKey(L"Script")));
    UniqueServiceHandle gone(OpenServiceW(manager.get(), L"journaltest", SERVICE_QUERY_STATUS));
    EXPECT_FALSE(gone);
}

TEST_F(ChangeJournal, ThingsThatCannotBePutBackAreRecordedAsSuch) {
    ASSERT_TRUE(RecordNetworkComponentRemoval(L"ms_netportide", L"filter driver"));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    wchar_t command[] = L"C:\\windows\\system32\\cmd.exe /c pause";
    ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &process));
    UniqueHandle processHandle(process.hProcess), thread(process.hThread);
    ASSERT_TRUE(JournaledTerminateProcess(processHandle.get(), process.dwProcessId,
                                          L"C:\\windows\\system32\\cmd.exe", 0));
    EXPECT_EQ(WaitForSingleObject(processHandle.get(), 5000), WAIT_OBJECT_0);

    ASSERT_EQ(JournalChanges().size(), 2u);
    EXPECT_FALSE(JournalChanges()[0].undoable);
    EXPECT_EQ(JournalChanges()[1].kind, L"process");
    EXPECT_EQ(UndoAll(), Outcomes(2, UndoOutcome::NotUndoable));
}

} // namespace
