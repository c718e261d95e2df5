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

// Sets the size that the data entry of the file's first version resource
// claims; false when PE holds no version resource.
bool ClaimVersionSize(std::string& pe, unsigned size) {
    auto u16 = [&](size_t at) -> unsigned {
        return at + 2 <= pe.size() ? static_cast<unsigned char>(pe[at]) |
                                         static_cast<unsigned char>(pe[at + 1]) << 8
                                   : 0;
    };
    auto u32 = [&](size_t at) -> unsigned { return u16(at) | u16(at + 2) << 16; };
    const size_t fileHeader = u32(0x3c) + 4;
    const size_t optional = fileHeader + 20;
    const size_t directories = optional + (u16(optional) == 0x20b ? 112 : 96);
    const unsigned resources = u32(directories + 2 * 8);
    const size_t sections = optional + u16(fileHeader + 16);
    size_t root = 0;
    for (unsigned i = 0; i < u16(fileHeader + 2); ++i) {
        const size_t section = sections + i * 40;
        const unsigned address = u32(section + 12);
        if (resources >= address && resources - address < u32(section + 16))
            root = u32(section + 20) + (resources - address);
    }
    // Type 16 (version), then the first name, then the first language.
    auto entry = [&](size_t directory, int id) -> unsigned {
        const unsigned count = u16(directory + 12) + u16(directory + 14);
        for (unsigned i = 0; i < count; ++i) {
            const size_t at = directory + 16 + i * 8;
            if (id < 0 || u32(at) == static_cast<unsigned>(id))
                return u32(at + 4);
        }
        return 0;
    };
    unsigned next = root ? entry(root, 16) : 0;
    for (int level = 0; level < 2 && (next & 0x80000000u); ++level)
        next = entry(root + (next & 0x7fffffffu), -1);
    const size_t dataEntry = root + next;
    if (!root || !next || (next & 0x80000000u) || dataEntry + 8 > pe.size())
        return false;
    for (int i = 0; i < 4; ++i)
        pe[dataEntry + 4 + i] = static_cast<char>(size >> (8 * i));
    return true;
}

// The size a version resource claims is the file's to choose: 0x70000000
// bytes must neither be allocated nor read.
TEST(FileVersionString, ResourceClaimingGigabytesFailsWithoutAllocating) {
    std::string pe = ReadWholeFile(OwnPath());
    ASSERT_TRUE(ClaimVersionSize(pe, 0x70000000));
    ASSERT_TRUE(WriteWholeFile(L"C:\\claims_huge.dll", pe));
    std::wstring version = L"kept";
    EXPECT_FALSE(FileVersionString(L"C:\\claims_huge.dll", version));
    EXPECT_EQ(version, L"kept");
    DeleteFileW(L"C:\\claims_huge.dll");
}

} // namespace
