#include <gtest/gtest.h>

#include <windows.h>

#include "common/system_locations.h"
#include "support/test_files.h"

namespace {

TEST(SystemLocations, HoldsTheFoldersOfThisPrefix) {
    const SystemLocations& locations = TheSystemLocations();
    EXPECT_EQ(&locations, &TheSystemLocations()) << "filled once, kept";
    EXPECT_EQ(locations.module, GetModuleHandleW(nullptr));
    EXPECT_EQ(locations.osMajorVersion, 6u) << "Wine reports Windows 7 by default";
    EXPECT_EQ(locations.osMinorVersion, 1u);
    EXPECT_FALSE(locations.wow64) << "a 64-bit process";
    EXPECT_STREQ(locations.modulePath, L"C:\\tests\\common_tests.exe");
    EXPECT_STREQ(locations.moduleDirectory, L"C:\\tests");
    EXPECT_STREQ(locations.systemDirectory, L"C:\\windows\\system32");
    EXPECT_STREQ(locations.windowsDirectory, L"C:\\windows");
    EXPECT_STREQ(locations.programFiles, L"C:\\Program Files");
    EXPECT_STREQ(locations.commonAppData, L"C:\\ProgramData");
    const std::wstring profile = Environment(L"USERPROFILE");
    ASSERT_FALSE(profile.empty());
    EXPECT_EQ(locations.appData, profile + L"\\AppData\\Roaming");
    EXPECT_EQ(DesktopDirectory(), profile + L"\\Desktop");
    EXPECT_STREQ(CommonDesktopDirectory(), L"C:\\users\\Public\\Desktop");
}

} // namespace
