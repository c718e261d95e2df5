#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include "common/trusted_writers.h"
#include "common/unique_resource.h"

namespace {

bool TrustedSid(const wchar_t* text) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text, &sid))
        return false;
    UniqueLocal owned(sid);
    return IsTrustedAccount(sid);
}

TEST(TrustedWriters, OnlySystemAdministratorsAndTrustedInstaller) {
    EXPECT_TRUE(TrustedSid(L"S-1-5-18"));
    EXPECT_TRUE(TrustedSid(L"S-1-5-32-544"));
    EXPECT_TRUE(TrustedSid(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"));
    EXPECT_FALSE(TrustedSid(L"S-1-5-32-545")); // Users
    EXPECT_FALSE(TrustedSid(L"S-1-1-0"));      // Everyone
    EXPECT_FALSE(TrustedSid(L"S-1-5-11"));     // Authenticated Users
    EXPECT_FALSE(TrustedSid(L"S-1-5-21-1004336348-1177238915-682003330-1001"));
    EXPECT_FALSE(IsTrustedAccount(nullptr));
}

} // namespace
