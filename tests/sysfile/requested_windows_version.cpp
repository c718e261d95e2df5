#include "sysfile/requested_windows_version.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "common/windows_version.h"
#include "support/test_files.h"

void ExpectRequestedWindowsVersion() {
    const std::wstring requested = Environment(L"WINE_VERSION");
    const DWORD major = WindowsMajorVersion();
    if (requested == L"winxp" || requested == L"win2003") {
        EXPECT_EQ(major, 5u);
    } else if (requested.empty() || requested == L"vista" || requested == L"win7") {
        EXPECT_EQ(major, 6u); // Wine's default is Windows 7
    } else {
        ADD_FAILURE() << "unexpected WINE_VERSION";
    }
}
