#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

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
        TheRunFlags() = RunFlags();
    }
    void TearDown() override {
        TheRunLog().Assign(nullptr);
        TheRunFlags() = RunFlags();
        MuiCacheFixture::TearDown();
    }
};

// The DACL of PATH as SDDL, or "<unreadable>".
std::wstring DaclOf(const std::wstring& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &raw) != ERROR_SUCCESS)
        return L"<unreadable>";
    UniqueLocal descriptor(raw);
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            raw, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return L"<unreadable>";
    UniqueLocal owned(text);
    return text;
}

const std::string kPlanted = "planted library, not a PE image";

TEST_F(SuspectQuarantine, FoundLibraryIsMovedAsideAndLoggedInItsStoredForm) {
    MakeFolder(L"C:\\Apps\\Quarantine");
    PlantText(L"C:\\Apps\\Quarantine\\Lpk.DLL");
    RecordProgram(L"C:\\Apps\\Quarantine\\app.exe");
    ASSERT_TRUE(WriteWholeFile(L"C:\\Apps\\Quarantine\\lpk.dll.orvix", "earlier quarantine"));

    QuarantineSuspects(Scan());

    EXPECT_FALSE(FileExists(L"C:\\Apps\\Quarantine\\lpk.dll"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Quarantine\\lpk.dll.orvix"), kPlanted);
    // The form stored logs and the programs reading them know: the device
    // prefix and lower case.
    EXPECT_EQ(TheRunLog().Text(), "Search Path Inject\t\\\\?\\c:\\apps\\quarantine\\lpk.dll\r\n");
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

// A move at the next start goes by path: the user may by then have put a link
// into the system directory in the folder's place. Under Wine every folder
// belongs to the account the program runs as, as a user's own folders do on
// Windows, so a suspect in use is left to the pass after the restart.
TEST_F(SuspectQuarantine, LibraryInUseInAUsersFolderIsLeftForThePassAfterTheRestart) {
    MakeFolder(L"C:\\Apps\\InUse");
    PlantText(L"C:\\Apps\\InUse\\sensapi.dll");
    RecordProgram(L"C:\\Apps\\InUse\\app.exe");
    const std::wstring genuine = SystemDirectoryWithSlash() + L"sensapi.dll";
    const std::string before = ReadWholeFile(genuine);
    ASSERT_FALSE(before.empty());
    {
        // Loaded by a program: readable, but not deletable.
        UniqueFile inUse(CreateFileW(L"C:\\Apps\\InUse\\sensapi.dll", GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse);
        QuarantineSuspects(Scan());
    }
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\InUse\\sensapi.dll"), kPlanted);
    EXPECT_FALSE(FileExists(L"C:\\Apps\\InUse\\sensapi.dll.orvix"));
    EXPECT_EQ(TheRunFlags().secondPassNeeded, 1);
    EXPECT_EQ(TheRunLog().Text(), "Search Path Inject left for the pass after the restart\t"
                                  "\\\\?\\c:\\apps\\inuse\\sensapi.dll\r\n");

    // After the run the user puts a link to the system directory in the
    // folder's place; the restart must not reach through it.
    ASSERT_TRUE(MoveFileW(L"C:\\Apps\\InUse", L"C:\\Apps\\InUseAway"));
    folders_.back() = L"C:\\Apps\\InUseAway";
    std::wstring systemDirectory = SystemDirectoryWithSlash();
    systemDirectory.pop_back();
    ASSERT_TRUE(MakeUnixLink(L"C:\\Apps\\InUse", systemDirectory));
    const DWORD restarted = RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000);
    EXPECT_TRUE(RemoveUnixLink(L"C:\\Apps\\InUse"));
    ASSERT_EQ(restarted, 0u);
    EXPECT_TRUE(ReadWholeFile(genuine) == before) << "the system's library was moved away";
    EXPECT_FALSE(FileExists(genuine + L".orvix"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\InUseAway\\sensapi.dll"), kPlanted);
}

// The pass after the restart moves what is no longer in use by handle, and
// leaves what still is, saying so, without leaving anything for a next start.
TEST_F(SuspectQuarantine, PassAfterTheRestartMovesWhatIsFreeAndNamesWhatIsStillInUse) {
    MakeFolder(L"C:\\Apps\\Second");
    PlantText(L"C:\\Apps\\Second\\lpk.dll");
    PlantText(L"C:\\Apps\\Second\\usp10.dll");
    RecordProgram(L"C:\\Apps\\Second\\app.exe");
    TheRunFlags().secondPass = 1;
    {
        UniqueFile inUse(CreateFileW(L"C:\\Apps\\Second\\usp10.dll", GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse);
        QuarantineSuspects(Scan());
    }
    EXPECT_FALSE(FileExists(L"C:\\Apps\\Second\\lpk.dll"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Second\\lpk.dll.orvix"), kPlanted);
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Second\\usp10.dll"), kPlanted);
    EXPECT_FALSE(FileExists(L"C:\\Apps\\Second\\usp10.dll.orvix"));
    EXPECT_EQ(TheRunFlags().restartRequired, 0);
    const std::string log = TheRunLog().Text();
    EXPECT_NE(log.find("Search Path Inject\t\\\\?\\c:\\apps\\second\\lpk.dll\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Search Path Inject not moved, in use\t"
                       "\\\\?\\c:\\apps\\second\\usp10.dll\r\n"),
              std::string::npos)
        << log;
}

// A second name of a file may lie anywhere on the volume, where the user
// may not read it: the suspect is neither copied into the user's folder nor
// deleted.
TEST_F(SuspectQuarantine, SuspectWithASecondNameIsNeitherCopiedNorMoved) {
    MakeFolder(L"C:\\Apps\\Private");
    MakeFolder(L"C:\\Apps\\TwoNames");
    const std::string secret = "someone else's file, not a PE image";
    ASSERT_TRUE(WriteWholeFile(L"C:\\Apps\\Private\\secret.bin", secret));
    ASSERT_TRUE(
        CreateHardLinkW(L"C:\\Apps\\TwoNames\\lpk.dll", L"C:\\Apps\\Private\\secret.bin", nullptr));
    RecordProgram(L"C:\\Apps\\TwoNames\\app.exe");

    QuarantineSuspects(Scan());

    EXPECT_FALSE(FileExists(L"C:\\Apps\\TwoNames\\lpk.dll.orvix"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\TwoNames\\lpk.dll"), secret);
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Private\\secret.bin"), secret);
    EXPECT_EQ(TheRunLog().Text(), "Search Path Inject not moved, more than one name\t"
                                  "\\\\?\\c:\\apps\\twonames\\lpk.dll\r\n");
}

// Users who could not read the suspect cannot read its copy either.
TEST_F(SuspectQuarantine, CopyIsNoMoreReadableThanTheOriginal) {
    MakeFolder(L"C:\\Apps\\Closed");
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;FA;;;SY)(A;;FA;;;BA)", SDDL_REVISION_1, &raw, nullptr));
    UniqueLocal descriptor(raw);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), raw, FALSE};
    {
        UniqueFile closed(CreateFileW(L"C:\\Apps\\Closed\\lpk.dll", GENERIC_WRITE, 0, &attributes,
                                      CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(closed);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(closed.get(), kPlanted.data(), static_cast<DWORD>(kPlanted.size()),
                              &written, nullptr));
    }
    const std::wstring original = DaclOf(L"C:\\Apps\\Closed\\lpk.dll");
    // Wine keeps a file's security as its Unix mode: no entry for everyone.
    ASSERT_EQ(original.find(L";;;WD)"), std::wstring::npos) << original;
    RecordProgram(L"C:\\Apps\\Closed\\app.exe");

    QuarantineSuspects(Scan());

    EXPECT_FALSE(FileExists(L"C:\\Apps\\Closed\\lpk.dll"));
    EXPECT_EQ(ReadWholeFile(L"C:\\Apps\\Closed\\lpk.dll.orvix"), kPlanted);
    const std::wstring copy = DaclOf(L"C:\\Apps\\Closed\\lpk.dll.orvix");
    EXPECT_EQ(copy.find(L";;;WD)"), std::wstring::npos) << copy;
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
              "Search Path Inject\t\\\\?\\c:\\apps\\copyfails\\lpk.dll\r\n"
              "\xce\xb4\xc4\xdc\xd0\xde\xb8\xb4\t\\\\?\\c:\\apps\\copyfails\\lpk.dll\r\n");
    ASSERT_FALSE(TheRunReport().notRepaired.empty());
    EXPECT_EQ(TheRunReport().notRepaired.back(), L"\\\\?\\c:\\apps\\copyfails\\lpk.dll");
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
    EXPECT_EQ(TheRunLog().Text(), "Search Path Inject not moved, changed since the scan\t"
                                  "\\\\?\\c:\\apps\\swapped\\msimg32.dll\r\n");
    EXPECT_EQ(TheRunFlags().restartRequired, 0);
}

} // namespace
