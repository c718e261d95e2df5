#include <gtest/gtest.h>

#include <windows.h>

#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "common/windows_version.h"
#include "sysfile/muicache_fixture.h"
#include "support/test_files.h"
#include "support/unix_link.h"

namespace {

using SearchPathSuspects = MuiCacheFixture;

constexpr LONGLONG kHour = 3600;
constexpr LONGLONG kDay = 24 * kHour;

TEST_F(SearchPathSuspects, PlantedLibraryBesideTwoProgramsIsFoundOnce) {
    MakeFolder(L"C:\\Apps\\Hijacked");
    PlantText(L"C:\\Apps\\Hijacked\\LPK.dll");
    RecordProgram(L"C:\\Apps\\Hijacked\\first.exe");
    RecordProgram(L"C:\\APPS\\HIJACKED\\Second.exe");

    bool answer = false;
    const InjectSuspectSet suspects = Scan(&answer);
    EXPECT_TRUE(answer);
    ASSERT_EQ(suspects.size(), 1u);
    EXPECT_EQ(*suspects.begin(), L"\\\\?\\c:\\apps\\hijacked\\lpk.dll");
}

TEST_F(SearchPathSuspects, OnlyTheCacheOfTheRunningSystemIsRead) {
    const DWORD running = WindowsMajorVersion();
    const DWORD other = running >= 6 ? 5 : 6;
    MakeFolder(L"C:\\Apps\\OtherCache");
    PlantText(L"C:\\Apps\\OtherCache\\lpk.dll");
    RecordProgramFor(other, L"C:\\Apps\\OtherCache\\prog.exe");

    bool answer = true;
    EXPECT_TRUE(Scan(&answer).empty());
    EXPECT_FALSE(answer);

    RecordProgramFor(running, L"C:\\Apps\\OtherCache\\prog.exe");
    EXPECT_EQ(Scan().count(StoredForm(L"C:\\Apps\\OtherCache\\lpk.dll")), 1u);
}

// The limit is seven days from now in one time base; the margins of four hours
// lie inside the offset of any zone a shifted comparison would be off by.
TEST_F(SearchPathSuspects, GenuineLibraryIsSuspectOnlyWhenRecent) {
    struct Case {
        const wchar_t* folder;
        LONGLONG age;
        bool suspect;
    } cases[] = {
        {L"C:\\Apps\\Aged30Days", 30 * kDay, false},
        {L"C:\\Apps\\Aged7DaysAnd4Hours", 7 * kDay + 4 * kHour, false},
        {L"C:\\Apps\\Aged6DaysAnd20Hours", 6 * kDay + 20 * kHour, true},
        {L"C:\\Apps\\AgedOneHour", kHour, true},
    };
    for (const Case& c : cases) {
        MakeFolder(c.folder);
        PlantGenuineCopy(L"msvcr71.dll", std::wstring(c.folder) + L"\\msvcr71.dll", c.age);
        RecordProgram(std::wstring(c.folder) + L"\\app.exe");
    }
    const InjectSuspectSet suspects = Scan();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.folder);
        EXPECT_EQ(suspects.count(StoredForm(std::wstring(c.folder) + L"\\msvcr71.dll")),
                  c.suspect ? 1u : 0u);
    }
}

TEST_F(SearchPathSuspects, LibraryThatCannotBeReadIsSuspect) {
    MakeFolder(L"C:\\Apps\\Locked");
    PlantGenuineCopy(L"usp10.dll", L"C:\\Apps\\Locked\\usp10.dll", 30 * kDay);
    RecordProgram(L"C:\\Apps\\Locked\\app.exe");
    UniqueFile exclusive(CreateFileW(L"C:\\Apps\\Locked\\usp10.dll", GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(exclusive);
    EXPECT_EQ(Scan().count(StoredForm(L"C:\\Apps\\Locked\\usp10.dll")), 1u);
}

TEST_F(SearchPathSuspects, ProgramsInsideTheWindowsDirectoryAreTrusted) {
    std::wstring windows = WindowsDirectoryWithSlash();
    for (wchar_t& c : windows)
        c = static_cast<wchar_t>(towupper(c));
    const std::wstring folder = windows + L"Trusted";
    MakeFolder(folder);
    PlantText(folder + L"\\lpk.dll");
    RecordProgram(folder + L"\\tool.exe");
    // Names that are no drive-letter paths are passed over.
    RecordProgram(L"@C:\\Apps\\resource.dll,-101");
    RecordProgram(L"LangID");

    bool answer = true;
    EXPECT_TRUE(Scan(&answer).empty());
    EXPECT_FALSE(answer);
}

std::wstring SystemDirectoryWithoutSlash() {
    const std::wstring folder = SystemDirectoryWithSlash();
    return folder.substr(0, folder.size() - 1);
}

// Folders outside the system's are the user's, and one may be a link (a
// junction on Windows): a program is looked at where it really is.
TEST_F(SearchPathSuspects, ProgramFoldersAreTakenWhereTheyReallyAre) {
    MakeFolder(L"C:\\Apps\\RealPlanted");
    PlantText(L"C:\\Apps\\RealPlanted\\lpk.dll");
    ASSERT_TRUE(MakeUnixLink(L"C:\\Apps\\LinkToSystem", SystemDirectoryWithoutSlash()));
    ASSERT_TRUE(MakeUnixLink(L"C:\\Apps\\LinkToPlanted", L"C:\\Apps\\RealPlanted"));
    RecordProgram(L"C:\\Apps\\LinkToSystem\\app.exe");
    RecordProgram(L"C:\\Apps\\LinkToPlanted\\app.exe");

    EXPECT_EQ(Scan(), InjectSuspectSet{StoredForm(L"C:\\Apps\\RealPlanted\\lpk.dll")})
        << "the system's own libraries are suspects when reached through a link";
    EXPECT_TRUE(RemoveUnixLink(L"C:\\Apps\\LinkToSystem"));
    EXPECT_TRUE(RemoveUnixLink(L"C:\\Apps\\LinkToPlanted"));
}

// A value name written through the native API may go on after a NUL; cut
// there, it would make any file a probe path.
TEST_F(SearchPathSuspects, ValueNameIsTextUpToItsFirstNul) {
    MakeFolder(L"C:\\Victim");
    ASSERT_TRUE(WriteWholeFile(L"C:\\Victim\\settings.cfg", "the user's settings"));
    std::wstring name = L"C:\\Victim\\settings.cfg";
    name.push_back(L'\0');
    name += L"\\app.exe";
    RecordRawName(name);

    bool answer = true;
    EXPECT_TRUE(Scan(&answer).empty());
    EXPECT_FALSE(answer);
}

} // namespace
