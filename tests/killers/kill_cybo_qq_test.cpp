#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/run_log.h"
#include "journal/change_journal.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/system_locations.h"
#include "common/unique_com.h"
#include "killers/cybo_qq_file_changes.h"
#include "killers/kill_cybo_qq.h"
#include "killers/sample_files.h"
#include "killers/started_programs.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include "support/unix_link.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

void MakeFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
        if (at == std::wstring::npos)
            break;
    }
}

void MakeShortcut(const std::wstring& folder, const wchar_t* name, const std::wstring& target) {
    MakeFolders(folder);
    UniqueCom<IShellLinkW> link;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(link.put()))));
    ASSERT_TRUE(SUCCEEDED(link.get()->SetPath(target.c_str())));
    UniqueCom<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(
        link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))));
    ASSERT_TRUE(SUCCEEDED(file.get()->Save((folder + L"\\" + name).c_str(), TRUE)));
}

void SetRunValue(HKEY root, const wchar_t* name, const std::wstring& data) {
    UniqueKey key;
    ASSERT_EQ(
        RegCreateKeyExW(root, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(WriteString(key.get(), name, data), ERROR_SUCCESS);
}

void DeleteRunValue(HKEY root, const wchar_t* name) {
    UniqueKey key;
    if (OpenKey(root, kRunKey, KEY_ALL_ACCESS, key) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), name);
}

std::wstring PendingRenames() {
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
        return {};
    std::vector<wchar_t> data(65536);
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS)
        return {};
    std::wstring text(data.data(), bytes / sizeof(wchar_t));
    for (wchar_t& c : text)
        if (c == L'\0')
            c = L'|';
    return text;
}

class KillCyboQQ : public ::testing::Test {
protected:
    void SetUp() override {
        clean_ = CleanCompanion();
        ASSERT_FALSE(clean_.empty());
        cleaned_ = ExpectedCleanedSample(clean_);
        infectedA_ = MakeInfectedSample(clean_, SampleKind::LayoutA);
        TheRunFlags() = RunFlags();
    }
    void TearDown() override {
        TheRunFlags() = RunFlags();
        DeleteRunValue(HKEY_CURRENT_USER, L"fmQQ");
        DeleteRunValue(HKEY_LOCAL_MACHINE, L"fmThunder");
        DeleteRunValue(HKEY_LOCAL_MACHINE, L"fmAliIM");
        FailRenamesOfForTesting(nullptr);
    }

    // PROGRAM with the sample of KIND as its companion DLL at DLL.
    void Plant(const std::wstring& program, const std::wstring& dll, SampleKind kind) {
        MakeFolders(dll.substr(0, dll.rfind(L'\\')));
        MakeFolders(program.substr(0, program.rfind(L'\\')));
        ASSERT_TRUE(WriteWholeFile(program, "MZ program"));
        ASSERT_TRUE(WriteSample(dll, kind));
    }

    // An infected companion of qq.exe in FOLDER, started from the user's Run
    // key; returns the DLL's path.
    std::wstring PlantStartedQQ(const std::wstring& folder) {
        const std::wstring dll = folder + L"\\BasicCtrlDll.dll";
        Plant(folder + L"\\qq.exe", dll, SampleKind::LayoutA);
        SetRunValue(HKEY_CURRENT_USER, L"fmQQ", folder + L"\\qq.exe");
        return dll;
    }

    ComApartment com_;
    std::vector<uint8_t> clean_, cleaned_, infectedA_;
};

TEST_F(KillCyboQQ, ProgramsFromEveryPlaceAreFoundOnceAndCleaned) {
    const std::wstring qqDll = L"C:\\Apps\\QQ\\Bin\\BasicCtrlDll.dll";
    const std::wstring thunderDll = L"C:\\Apps\\Thunder Network\\program\\BHOStub.dll";
    const std::wstring stormDll = L"C:\\Apps\\Storm\\mps.dll";
    const std::wstring aliDll = L"C:\\Apps\\AliIM\\uibrowser.dll";
    Plant(L"C:\\Apps\\QQ\\Bin\\QQ.exe", qqDll, SampleKind::LayoutA);
    Plant(L"C:\\Apps\\Thunder Network\\Thunder.exe", thunderDll, SampleKind::LayoutB);
    Plant(L"C:\\Apps\\Storm\\Storm.exe", stormDll, SampleKind::NoMarkers);
    // Infected, but 10 MiB: never read.
    Plant(L"C:\\Apps\\AliIM\\AliIM.exe", aliDll, SampleKind::LayoutA);
    std::vector<uint8_t> large = infectedA_;
    large.resize(0xA00000, 0);
    ASSERT_TRUE(WriteBytes(aliDll, large));
    const std::vector<uint8_t> storm = FileBytes(stormDll);

    SetRunValue(HKEY_LOCAL_MACHINE, L"fmThunder",
                L"\"C:\\Apps\\Thunder Network\\Thunder.exe\" -silent");
    SetRunValue(HKEY_LOCAL_MACHINE, L"fmAliIM", L"C:\\Apps\\AliIM\\AliIM.exe /tray");
    SetRunValue(HKEY_CURRENT_USER, L"fmQQ", L"\"C:\\Apps\\QQ\\Bin\\QQ.exe\" /autorun");
    MakeShortcut(QuickLaunchDirectory(), L"QQ.lnk", L"C:\\Apps\\QQ\\Bin\\QQ.EXE");
    MakeShortcut(DesktopDirectory(), L"QQ 2009.lnk", L"C:\\Apps\\QQ\\Bin\\qq.exe");
    MakeShortcut(CommonDesktopDirectory(), L"Storm.LNK", L"C:\\Apps\\Storm\\Storm.exe");
    ASSERT_TRUE(WriteWholeFile(std::wstring(DesktopDirectory()) + L"\\broken.lnk", "not a link"));

    CKillCyboQQ module;
    EXPECT_EQ(module.Detect(), 0);
    EXPECT_EQ(module.Scan(), 1);
    EXPECT_EQ(module.InfectedDlls(), (std::vector<std::wstring>{thunderDll, qqDll}));
    EXPECT_EQ(module.Repair(), 1);

    EXPECT_EQ(FileBytes(qqDll), cleaned_);
    EXPECT_EQ(FileBytes(thunderDll), cleaned_);
    EXPECT_EQ(FileBytes(stormDll), storm);
    EXPECT_EQ(FileBytes(aliDll), large);
    for (const std::wstring& dll : {qqDll, thunderDll}) {
        EXPECT_FALSE(FileExists(dll + L".tmp2"));
        EXPECT_FALSE(FileExists(dll + L".tmp3"));
    }

    CKillCyboQQ again;
    EXPECT_EQ(again.Scan(), 0) << "nothing left to clean";
}

class NoModule final : public IModuleKillClientNull {};

TEST_F(KillCyboQQ, TheRunLogsItsTitleAndCleans) {
    const std::wstring dll = PlantStartedQQ(L"C:\\Apps\\Run");
    RunRepairWith<NoModule, CKillCyboQQ, NoModule, NoModule>(nullptr);
    EXPECT_NE(TheRunLog().Text().find(kCyboQQTitle), std::string::npos) << TheRunLog().Text();
    EXPECT_EQ(FileBytes(dll), cleaned_);
}

// A loaded DLL can be renamed but not replaced or deleted, under Wine as on
// Windows. Its aside copy is not deleted at the next start by path: under Wine
// every folder belongs to the account the program runs as, as a user's own
// folders do on Windows, and by then the user may have put a link to another
// folder in its place. The pass after the restart deletes it by handle.
TEST_F(KillCyboQQ, DllInUseIsCleanedUnderItsNameAndTheInfectedFileGoesInThePassAfterTheRestart) {
    const std::wstring dll = PlantStartedQQ(L"C:\\Apps\\InUse");
    UniqueLibrary loaded(LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(loaded);

    CKillCyboQQ module;
    ASSERT_EQ(module.Scan(), 1);
    module.Repair();
    loaded.reset();

    EXPECT_EQ(FileBytes(dll), cleaned_);
    EXPECT_EQ(FileBytes(dll + L".tmp3"), infectedA_);
    EXPECT_FALSE(FileExists(dll + L".tmp2"));
    EXPECT_EQ(PendingRenames().find(L"BasicCtrlDll.dll.tmp3"), std::wstring::npos)
        << std::string(PendingRenames().begin(), PendingRenames().end());
    EXPECT_EQ(TheRunFlags().secondPassNeeded, 1);

    // Every step went through the run's journal first.
    const std::vector<JournalChange>& changes = JournalChanges();
    const auto recorded = [&](const wchar_t* kind, const std::wstring& target) {
        for (const JournalChange& change : changes)
            if (change.kind == kind && change.target == target)
                return true;
        return false;
    };
    EXPECT_TRUE(recorded(L"file", dll + L".tmp2")) << "the cleaned copy written";
    EXPECT_TRUE(recorded(L"file", dll)) << "the DLL renamed aside, the copy renamed in";
    EXPECT_FALSE(recorded(L"file-next-start", dll + L".tmp3"));

    // The user puts a link to a folder of someone else's in the program's
    // folder's place before the restart.
    MakeFolders(L"C:\\Victim");
    const std::string victim = "a file of the same name that is not the user's";
    ASSERT_TRUE(WriteWholeFile(L"C:\\Victim\\BasicCtrlDll.dll.tmp3", victim));
    ASSERT_TRUE(MoveFileW(L"C:\\Apps\\InUse", L"C:\\Apps\\InUseAway"));
    ASSERT_TRUE(MakeUnixLink(L"C:\\Apps\\InUse", L"C:\\Victim"));
    const DWORD restarted = RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000);
    {
        // Through the link there is no leftover of this run.
        TheRunFlags().secondPass = 1;
        CKillCyboQQ secondPass;
        EXPECT_EQ(secondPass.Scan(), 0);
    }
    EXPECT_TRUE(RemoveUnixLink(L"C:\\Apps\\InUse"));
    ASSERT_EQ(restarted, 0u);
    EXPECT_EQ(ReadWholeFile(L"C:\\Victim\\BasicCtrlDll.dll.tmp3"), victim);

    // Back in its place, the aside copy goes in the pass after the restart.
    ASSERT_TRUE(MoveFileW(L"C:\\Apps\\InUseAway", L"C:\\Apps\\InUse"));
    CKillCyboQQ secondPass;
    ASSERT_EQ(secondPass.Scan(), 1);
    secondPass.Repair();
    EXPECT_FALSE(FileExists(dll + L".tmp3"));
    EXPECT_EQ(FileBytes(dll), cleaned_);
    EXPECT_TRUE(recorded(L"file", dll + L".tmp3")) << "the deletion recorded first";
}

// The name of a DLL in use is never left empty: when the cleaned copy cannot
// take it, the infected file comes back.
TEST_F(KillCyboQQ, DllInUseComesBackWhenTheCleanedCopyCannotTakeItsName) {
    const std::wstring dll = PlantStartedQQ(L"C:\\Apps\\PutBack");
    UniqueLibrary loaded(LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(loaded);

    CKillCyboQQ module;
    ASSERT_EQ(module.Scan(), 1);
    FailRenamesOfForTesting((dll + L".tmp2").c_str());
    module.Repair();
    FailRenamesOfForTesting(nullptr);
    loaded.reset();

    EXPECT_EQ(FileBytes(dll), infectedA_);
    EXPECT_FALSE(FileExists(dll + L".tmp2"));
    EXPECT_FALSE(FileExists(dll + L".tmp3"));
    EXPECT_EQ(PendingRenames().find(L"PutBack"), std::wstring::npos);
}

TEST_F(KillCyboQQ, DllStaysWhenItsCleanedCopyCannotBeCreated) {
    const std::wstring dll = PlantStartedQQ(L"C:\\Apps\\NoCopy");
    ASSERT_TRUE(CreateDirectoryW((dll + L".tmp2").c_str(), nullptr));

    CKillCyboQQ module;
    ASSERT_EQ(module.Scan(), 1);
    module.Repair();

    EXPECT_EQ(FileBytes(dll), infectedA_);
    EXPECT_FALSE(FileExists(dll + L".tmp3"));
}

// A file planted beside the DLL under a work file's name, as a hard link to a
// system file: the cleaner never changes that file's attributes (nor anything
// else of it) through the link, and leaves the DLL as it was rather than work
// through a name that leads elsewhere.
TEST_F(KillCyboQQ, WorkFilesLinkedToAnotherFileLeaveThatFileAlone) {
    const std::wstring victim = L"C:\\Victim\\system.dll";
    MakeFolders(L"C:\\Victim");
    ASSERT_TRUE(WriteWholeFile(victim, "MZ a system file"));
    const DWORD systemAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    struct Case {
        const wchar_t* folder;
        const wchar_t* linkSuffix;
        bool inUse; // the .tmp3 name is only used for a DLL in use
    } cases[] = {
        {L"C:\\Apps\\LinkedTmp2", L".tmp2", false},
        {L"C:\\Apps\\LinkedTmp3", L".tmp3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.linkSuffix);
        const std::wstring dll = PlantStartedQQ(c.folder);
        ASSERT_TRUE(CreateHardLinkW((dll + c.linkSuffix).c_str(), victim.c_str(), nullptr));
        ASSERT_TRUE(SetFileAttributesW(victim.c_str(), systemAttributes));
        UniqueLibrary loaded;
        if (c.inUse)
            loaded.reset(LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));

        CKillCyboQQ module;
        ASSERT_EQ(module.Scan(), 1);
        module.Repair();
        loaded.reset();

        EXPECT_EQ(GetFileAttributesW(victim.c_str()), systemAttributes);
        EXPECT_EQ(ReadWholeFile(victim), "MZ a system file");
        EXPECT_EQ(FileBytes(dll), infectedA_);
        if (c.inUse) {
            EXPECT_FALSE(FileExists(dll + L".tmp2")) << "the cleaned copy goes again";
        }
        SetFileAttributesW(victim.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW((dll + c.linkSuffix).c_str());
        DeleteRunValue(HKEY_CURRENT_USER, L"fmQQ");
    }
}

// The folder swapped for a link to another folder between the check of the
// DLL and the write of its cleaned copy: the cleaned copy, made from the
// user's DLL, never lands over the DLL the link leads to.
std::wstring swapFolder, swapAside, swapTarget;
void SwapFolderAtTheCleanedCopy(size_t) {
    const std::vector<JournalChange>& changes = JournalChanges();
    if (changes.empty() || changes.back().target.find(L".tmp2") == std::wstring::npos ||
        swapFolder.empty())
        return;
    if (MoveFileW(swapFolder.c_str(), swapAside.c_str()))
        MakeUnixLink(swapFolder, swapTarget);
    swapFolder.clear();
}

TEST_F(KillCyboQQ, TheCleanedCopyNeverLandsInAFolderSwappedForALink) {
    swapTarget = L"C:\\VictimFolder";
    MakeFolders(swapTarget);
    const std::wstring victim = swapTarget + L"\\BasicCtrlDll.dll";
    ASSERT_TRUE(WriteWholeFile(victim, "MZ the victim's own DLL"));
    swapFolder = L"C:\\Apps\\Swapped";
    swapAside = L"C:\\Apps\\Swapped-judged";
    const std::wstring dll = PlantStartedQQ(swapFolder);

    CKillCyboQQ module;
    ASSERT_EQ(module.Scan(), 1);
    SetJournalEntryHook(SwapFolderAtTheCleanedCopy);
    module.Repair();
    SetJournalEntryHook(nullptr);

    EXPECT_EQ(ReadWholeFile(victim), "MZ the victim's own DLL");
    EXPECT_FALSE(FileExists(victim + L".tmp2"));
    RemoveUnixLink(L"C:\\Apps\\Swapped");
}

// A long value ahead of the carrier's does not end the walk of the Run key.
TEST_F(KillCyboQQ, ARunValueTooLongForTheBuffersHidesNoLaterOne) {
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(WriteString(key.get(), L"aLongValue", std::wstring(400, L'x')), ERROR_SUCCESS);
    ASSERT_EQ(WriteString(key.get(), std::wstring(300, L'n').c_str(), L"C:\\x.exe"), ERROR_SUCCESS);
    const std::wstring dll = PlantStartedQQ(L"C:\\Apps\\AfterLong");

    CKillCyboQQ module;
    EXPECT_EQ(module.Scan(), 1);
    EXPECT_EQ(module.InfectedDlls(), std::vector<std::wstring>{dll});
    RegDeleteValueW(key.get(), L"aLongValue");
    RegDeleteValueW(key.get(), std::wstring(300, L'n').c_str());
}

// A program on a network share is never looked at, from a Run value or a
// shortcut: the look would send the administrator's credentials to a host
// the user chose. The log says what was passed over.
TEST_F(KillCyboQQ, ProgramsOnANetworkAreSkippedAndSaidSo) {
    TheRunLog().Assign(nullptr);
    SetRunValue(HKEY_CURRENT_USER, L"fmQQ", L"\\\\fm-host\\share\\QQ.exe");
    MakeShortcut(QuickLaunchDirectory(), L"NetQQ.lnk", L"\\\\fm-host\\share\\lnk\\QQ.exe");

    CKillCyboQQ module;
    EXPECT_EQ(module.Scan(), 0);
    const std::string log = TheRunLog().Text();
    EXPECT_NE(log.find("skip network path\t\\\\fm-host\\share\\QQ.exe\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("skip network path\t\\\\fm-host\\share\\lnk\\QQ.exe\r\n"), std::string::npos)
        << log;
    DeleteFileW((std::wstring(QuickLaunchDirectory()) + L"\\NetQQ.lnk").c_str());
}

} // namespace
