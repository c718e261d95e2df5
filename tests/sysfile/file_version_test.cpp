#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/system_directories.h"
#include "support/test_files.h"
#include "sysfile/file_version.h"

namespace {

// The module's RCDATA resource ID written out as a file.
std::wstring WriteFixture(int id, const wchar_t* path) {
    const HMODULE self = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes || !WriteWholeFile(path, std::string(bytes, SizeofResource(self, found))))
        return L"";
    return path;
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(FileVersionString, LastTranslationCountsAndTrailingSpaceGoes) {
    // This test program's own version resource lists a translation without a
    // FileVersion first, then one whose text ends in white space.
    std::wstring version = L"poison";
    ASSERT_TRUE(FileVersionString(OwnPath(), version));
    EXPECT_EQ(version, L" 7.6.5.4 (fixture)");
}

TEST(FileVersionString, ASystemFile) {
    std::wstring version;
    ASSERT_TRUE(FileVersionString(SystemDirectoryWithSlash() + L"kernel32.dll", version));
    EXPECT_FALSE(version.empty());
    EXPECT_NE(version.back(), L' ');
}

TEST(FileVersionString, NoVersionOrNoTranslationFailsAndKeepsTheOutput) {
    const std::wstring noTranslation = WriteFixture(2, L"C:\\no_translation.dll");
    ASSERT_FALSE(noTranslation.empty());
    ASSERT_TRUE(WriteWholeFile(L"C:\\plain.txt", "no version here"));
    for (const wchar_t* path : {noTranslation.c_str(), L"C:\\plain.txt", L"C:\\missing.dll", L""}) {
        std::wstring version = L"kept";
        EXPECT_FALSE(FileVersionString(path, version)) << path;
        EXPECT_EQ(version, L"kept") << path;
    }
    DeleteFileW(noTranslation.c_str());
    DeleteFileW(L"C:\\plain.txt");
}

} // namespace
