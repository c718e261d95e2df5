#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/stop_request.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/edition_key.h"
#include "sysfile/file_server.h"
#include "sysfile/mender_fixture.h"
#include "sysfile/system_file_replacement.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace {

// The good copy is staged beside its target, never in the current directory:
// these tests run with the current directory on another drive letter (Z:,
// which Wine maps to the Unix root, reaching this prefix's own C: folder).
class GoodCopyReplacement : public MenderFixture {
protected:
    void SetUp() override {
        MenderFixture::SetUp();
        MakeFolder(kOtherFolder);
        std::wstring prefix = Environment(L"WINEPREFIX");
        ASSERT_FALSE(prefix.empty());
        for (wchar_t& c : prefix)
            if (c == L'/')
                c = L'\\';
        const std::wstring otherDrive = L"Z:" + prefix + L"\\drive_c\\OtherDrive";
        ASSERT_TRUE(SetCurrentDirectoryW(otherDrive.c_str()));
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        ASSERT_EQ(current[0], L'Z') << "the current directory is not on another drive";

        // A working file that is not the good copy (another DLL stands in for
        // an older build): a failed repair must never cost it.
        original_ = ReadWholeFile(target_);
        older_ = ReadWholeFile(SystemFile(L"wsock32.dll"));
        ASSERT_FALSE(original_.empty());
        ASSERT_TRUE(WriteWholeFile(target_, older_));
    }
    void TearDown() override {
        SetCurrentDirectoryW(L"C:\\");
        WriteWholeFile(target_, original_);
        MenderFixture::TearDown();
    }

    void ExpectNothingLeftBehind(const std::wstring& digest) {
        EXPECT_TRUE(FolderEntries(kOtherFolder).empty()) << "a download in the current directory";
        EXPECT_FALSE(FileExists(SystemFile(digest.c_str()))) << "a staged copy left behind";
    }

    const std::wstring kOtherFolder = L"C:\\OtherDrive";
    const std::wstring target_ = SystemFile(L"dsound.dll");
    std::string original_;
    std::string older_;
};

struct DownloadCase {
    const char* what;
    bool fromTheIndexEdition; // false: edition "test", whose files the test serves
    const char* served;       // served as the good copy's name; null: not on the server
    bool replaced;
};

const DownloadCase kDownloadCases[] = {
    {"the good copy arrives", true, nullptr, true},
    {"other content under the good copy's name", false, "not the good copy", false},
    {"the server has no such file", false, nullptr, false},
};

TEST_F(GoodCopyReplacement, OnlyAVerifiedCopyReplacesTheTarget) {
    const std::wstring digest = IndexedDigestOf(target_);
    ASSERT_EQ(digest, DigestOf(original_));
    for (const DownloadCase& c : kDownloadCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(target_, older_));
        TheRunLog().Assign(nullptr);
        if (c.served)
            ServeAsTestFile(digest, c.served);
        else
            DeleteFileW((L"C:\\nginx\\test-files\\" + digest).c_str());
        const int requestsBefore = RequestsFor(digest);

        ReplaceSystemFiles(c.fromTheIndexEdition ? EditionKey() : L"test", {{target_, digest}});

        EXPECT_EQ(RequestsFor(digest, requestsBefore + 1), requestsBefore + 1)
            << "no download was attempted";
        EXPECT_TRUE(ReadWholeFile(target_) == (c.replaced ? original_ : older_));
        EXPECT_EQ(TheRunLog().Text(), c.replaced ? FileRepairedLine(target_) : std::string());
        EXPECT_EQ(TheRunFlags().restartRequired, 0);
        ExpectNothingLeftBehind(digest);
    }
}

// Good copies never pass through the URL cache: a copy that failed its check
// is asked of the server again next time, and a good copy put in place
// leaves no second copy of itself in the cache.
TEST_F(GoodCopyReplacement, CopiesAreFetchedAnewAndNeverCached) {
    const std::string good = "the good copy, served the second time only";
    const std::wstring digest = DigestOf(good);
    ServeAsTestFile(digest, "a broken copy under the good copy's name");
    const int requestsBefore = RequestsFor(digest);

    ReplaceSystemFiles(L"test", {{target_, digest}});
    EXPECT_TRUE(ReadWholeFile(target_) == older_);

    ServeAsTestFile(digest, good);
    ReplaceSystemFiles(L"test", {{target_, digest}});
    EXPECT_EQ(RequestsFor(digest, requestsBefore + 2), requestsBefore + 2);
    EXPECT_TRUE(ReadWholeFile(target_) == good);
    EXPECT_EQ(TheRunLog().Text(), FileRepairedLine(target_));
    ExpectNothingLeftBehind(digest);

    DWORD size = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetUrlCacheEntryInfoW(GoodCopyUrl(L"test", digest).c_str(), nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "a copy in the cache";
}

// Without a file server the download fails before any file is touched.
TEST_F(GoodCopyReplacement, ServerDownLeavesEverythingAsItWas) {
    const std::wstring digest = IndexedDigestOf(target_);
    ASSERT_FALSE(digest.empty());

    ReplaceSystemFiles(EditionKey(), {{target_, digest}});

    EXPECT_TRUE(ReadWholeFile(target_) == older_);
    EXPECT_EQ(TheRunLog().Text(), "");
    EXPECT_EQ(TheRunFlags().restartRequired, 0);
    ExpectNothingLeftBehind(digest);
}

// A stop asked for before a replacement leaves that file as it is: the run
// stops between whole replacements, never inside one.
TEST_F(GoodCopyReplacement, StopBeforeAReplacementLeavesTheFile) {
    const std::string good = "the good copy nobody fetches";
    const std::wstring digest = DigestOf(good);
    ServeAsTestFile(digest, good);
    const int requestsBefore = RequestsFor(digest);

    RequestStop();
    ReplaceSystemFiles(L"test", {{target_, digest}});
    ClearStopRequest();

    EXPECT_TRUE(ReadWholeFile(target_) == older_);
    EXPECT_EQ(RequestsFor(digest), requestsBefore);
    EXPECT_EQ(TheRunLog().Text(), "");
}

// Held open without delete sharing, as a loaded module is: the verified copy
// waits beside the target under its digest name until Windows starts again.
// Wine's wineboot performs the moves Windows performs at its next start.
TEST_F(GoodCopyReplacement, LockedTargetIsReplacedAtTheNextStart) {
    const std::wstring target = SystemFile(L"d3d8thk.dll");
    const std::string reference = ReadWholeFile(target);
    const std::wstring digest = IndexedDigestOf(target);
    ASSERT_EQ(digest, DigestOf(reference));
    const std::string damaged = reference.substr(0, 64);
    ASSERT_TRUE(WriteWholeFile(target, damaged));
    const std::wstring staged = SystemFile(digest.c_str());
    {
        UniqueFile held(CreateFileW(target.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
        ASSERT_TRUE(held);
        ReplaceSystemFiles(EditionKey(), {{target, digest}});
        EXPECT_TRUE(ReadWholeFile(target) == damaged);
        EXPECT_TRUE(ReadWholeFile(staged) == reference) << "the good copy does not wait";
    }
    EXPECT_EQ(TheRunFlags().restartRequired, 1);
    EXPECT_EQ(TheRunLog().Text(), FileRepairedLine(target)) << "follow-ups run all the same";
    EXPECT_TRUE(FolderEntries(kOtherFolder).empty());

    ASSERT_EQ(RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000), 0u);
    EXPECT_TRUE(ReadWholeFile(target) == reference);
    EXPECT_FALSE(FileExists(staged));
}

// Two files of one folder with the same good content (as Wine's d3d8.dll and
// d3d9.dll): the copy waiting for the locked one must not be taken by the
// other one's replacement, or the move at the next start has no source.
TEST_F(GoodCopyReplacement, CopyWaitingForARestartIsNotTakenByAnotherTarget) {
    MakeFolder(L"C:\\SameContent");
    const std::wstring locked = L"C:\\SameContent\\first.dll";
    const std::wstring free = L"C:\\SameContent\\second.dll";
    ASSERT_TRUE(WriteWholeFile(locked, "damaged first"));
    ASSERT_TRUE(WriteWholeFile(free, "damaged second"));
    const std::string goodCopy = "the good content of both files";
    const std::wstring digest = ServeTestFile(goodCopy);
    {
        UniqueFile held(CreateFileW(locked.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
        ASSERT_TRUE(held);
        ReplaceSystemFiles(L"test", {{locked, digest}, {free, digest}});
    }
    EXPECT_TRUE(ReadWholeFile(free) == goodCopy);
    EXPECT_TRUE(ReadWholeFile(locked) == "damaged first");
    EXPECT_EQ(TheRunLog().Text(), FileRepairedLine(locked) + FileRepairedLine(free));

    ASSERT_EQ(RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000), 0u);
    EXPECT_TRUE(ReadWholeFile(locked) == goodCopy);
    EXPECT_EQ(FolderEntries(L"C:\\SameContent"),
              (std::vector<std::wstring>{L"first.dll", L"second.dll"}));
}

} // namespace
