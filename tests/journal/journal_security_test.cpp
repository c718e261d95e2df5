#include <gtest/gtest.h>

#include <windows.h>

#include "common/admin_only_folder.h"
#include "journal/change_journal.h"
#include "journal/journal_fixture.h"
#include "journal/journal_manifest.h"
#include "support/test_files.h"

namespace {

class JournalSecurity : public JournalFixture {};

TEST_F(JournalSecurity, JournalIsAdminOnlyAndRefusedOnceOthersCouldWrite) {
    ASSERT_TRUE(WriteWholeFile(Path(L"lib.dll"), "original"));
    ASSERT_TRUE(JournaledDeleteFile(Path(L"lib.dll")));
    const std::wstring folder = JournalFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(IsAdminOnly(JournalRoot()));
    EXPECT_TRUE(JournalIsTrustworthy(folder));

    const auto manifest = ReadManifest(folder);
    ASSERT_TRUE(manifest);
    const std::wstring md5 = manifest->changes[0].before.substr(5, 32);
    const std::wstring copy = folder + L"copies\\" + md5;
    ASSERT_TRUE(GrantEveryoneWrite(copy));
    EXPECT_FALSE(JournalIsTrustworthy(folder));
    EXPECT_FALSE(VerifiedCopy(folder, md5));
    EXPECT_EQ(UndoAll(), std::vector<UndoOutcome>{UndoOutcome::Failed});
    EXPECT_FALSE(FileExists(Path(L"lib.dll")));
}

TEST_F(JournalSecurity, PlantedCopiesAndLinksAreRefused) {
    ASSERT_TRUE(WriteWholeFile(Path(L"lib.dll"), "original"));
    ASSERT_TRUE(JournaledDeleteFile(Path(L"lib.dll")));
    const std::wstring folder = JournalFolder();
    const auto manifest = ReadManifest(folder);
    ASSERT_TRUE(manifest);
    const std::wstring md5 = manifest->changes[0].before.substr(5, 32);
    const std::wstring copy = folder + L"copies\\" + md5;

    // A copy whose content no longer has its digest.
    ASSERT_TRUE(WriteWholeFile(copy, "planted"));
    EXPECT_FALSE(VerifiedCopy(folder, md5));
    // A hard link to a file elsewhere.
    ASSERT_TRUE(DeleteFileW(copy.c_str()));
    ASSERT_TRUE(WriteWholeFile(Path(L"elsewhere"), "original"));
    ASSERT_TRUE(CreateHardLinkW(copy.c_str(), Path(L"elsewhere").c_str(), nullptr));
    EXPECT_FALSE(IsAdminOnly(copy));
    EXPECT_FALSE(JournalIsTrustworthy(folder));
}

TEST_F(JournalSecurity, BackupFolderMadeByOthersIsTakenOver) {
    const std::wstring root = JournalRoot();
    ASSERT_TRUE(GrantEveryoneWrite(root));
    EXPECT_FALSE(IsAdminOnly(root));
    ASSERT_TRUE(JournaledSetDword(UserKey(), L"seed", 2) == ERROR_SUCCESS);
    EXPECT_TRUE(IsAdminOnly(root));
}

} // namespace
