#include <gtest/gtest.h>

#include "common/windows_version.h"
#include "sysfile/edition_key.h"
#include "sysfile/edition_table.h"

// Each test runs in its own CTest entry, with Wine set to report that edition.
namespace {

void ExpectEdition(const wchar_t* key, int resourceId) {
    EXPECT_EQ(EditionKey(), key);
    EXPECT_EQ(IndexResourceId(EditionKey()), resourceId);
}

TEST(EditionUnder, WindowsXpSp3English) {
    ExpectEdition(L"0501.0300.1033", 221);
}
TEST(EditionUnder, WindowsXpSp3Chinese) {
    ExpectEdition(L"0501.0300.2052", 214);
}
TEST(EditionUnder, WindowsXpSp3Point1Chinese) {
    // A service pack's minor number never changes the key.
    OSVERSIONINFOEXW version;
    ASSERT_TRUE(QueryWindowsVersion(version));
    ASSERT_EQ(version.wServicePackMinor, 1) << "the registry fixture sets SP 3.1";
    ExpectEdition(L"0501.0300.2052", 214);
}
TEST(EditionUnder, Server2003Sp2English) {
    ExpectEdition(L"0502.0200.1033", 227);
}
TEST(EditionUnder, VistaSp2Chinese) {
    // From Vista on, the language is not part of the key.
    ExpectEdition(L"0600.0200.0000", 231);
}
TEST(EditionUnder, Windows7WithoutServicePack) {
    ExpectEdition(L"0601.0000.0000", 222);
}
TEST(EditionUnder, Windows7Sp1) {
    ExpectEdition(L"0601.0100.0000", 0);
}

} // namespace
