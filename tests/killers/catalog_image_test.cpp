#include <gtest/gtest.h>

#include "killers/catalog_fixture.h"
#include "killers/catalog_item.h"
#include "killers/windows_version_code.h"
#include "killers/winsock_catalog_image.h"

namespace {

struct Outcome {
    int loaded = 0, repaired = 0, written = 0, restored = 0;
};

// The sequence the network module runs.
Outcome RunImage(MachineRegistry& registry = SystemMachineRegistry()) {
    WinsockCatalogImage image(registry);
    Outcome outcome;
    outcome.loaded = image.LoadCatalog();
    if (outcome.loaded) {
        outcome.repaired = image.RepairMissingProviders();
        outcome.written = image.WriteBackCatalog();
    }
    outcome.restored = image.RestoreCatalogSecurity();
    return outcome;
}

std::vector<std::wstring> Names(int count) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= count; ++i) {
        const std::string name = *catalog::EntryName(i);
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

class CatalogImage : public ::testing::Test {
protected:
    void Seed(const std::vector<catalog::Item>& items,
              const std::vector<std::string>& extraKeys = {}) {
        ASSERT_TRUE(SeedCatalog(items, extraKeys));
        daclsBefore_ = KeyDacls();
    }
    void ExpectDaclsAsBefore() { EXPECT_EQ(KeyDacls(), daclsBefore_); }

    std::map<std::wstring, std::wstring> daclsBefore_;
};

// Nothing to repair, nothing written: every rewrite is a moment in which the
// catalog is incomplete. A stray key past the count is no business of the
// repair either.
TEST_F(CatalogImage, CatalogOfPresentDllsIsLeftUntouched) {
    const std::vector<catalog::Item> items = {
        MakeItem(kPresentDll, kTcpGuid, 1001, 1),
        MakeItem(kPresentLsp, kForeignGuid, 1002, 0),
        MakeItem(kPresentLsp, kTcpGuid, 1003, 2, {1002, 1001}),
    };
    Seed(items, {"000000000007"});
    const CatalogState before = ReadCatalog();
    Seed(items, {"000000000007"});
    const Outcome outcome = RunImage();
    EXPECT_EQ(outcome.loaded, 1);
    EXPECT_EQ(outcome.repaired, 1);
    EXPECT_EQ(outcome.written, 1);
    EXPECT_EQ(outcome.restored, 1);
    ExpectDaclsAsBefore();
    EXPECT_TRUE(ReadCatalog() == before);
}

TEST_F(CatalogImage, DeadLayeredProviderLeavesEveryChain) {
    const catalog::Item tcp = MakeItem(kPresentDll, kTcpGuid, 1001, 1);
    const catalog::Item netbios = MakeItem(kPresentDll, kNetbiosGuid, 1002, 1);
    const catalog::Item liveLsp = MakeItem(kPresentLsp, kForeignGuid, 1020, 0);
    const std::vector<catalog::Item> items = {
        tcp,
        MakeItem(kMissingLsp, kForeignGuid, 1010, 0),
        // Left with one id: no chain any more, removed.
        MakeItem(kPresentLsp, kTcpGuid, 1011, 2, {1010, 1001}),
        netbios,
        liveLsp,
        // Loses the dead id in front and in the middle.
        MakeItem(kPresentLsp, kNetbiosGuid, 1012, 4, {1010, 1020, 1010, 1002}),
    };
    Seed(items);
    const Outcome outcome = RunImage();
    EXPECT_EQ(outcome.written, 1);
    daclsBefore_.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000005");
    daclsBefore_.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000006");
    ExpectDaclsAsBefore();
    const CatalogState after = ReadCatalog();
    EXPECT_EQ(after.count, 4u);
    EXPECT_EQ(after.keyNames, Names(4));
    EXPECT_EQ(DescribeAll(after.items),
              DescribeAll({tcp, netbios, liveLsp, WithChain(items[5], 2, {1020, 1002})}));
}

// A repair that cannot be finished changes nothing: the catalog stays as it
// was, not half repaired.
TEST_F(CatalogImage, UnknownBaseProviderStopsTheRepairAndNothingIsWritten) {
    const std::vector<catalog::Item> items = {
        // Two items sharing one missing DLL would both be repaired by one call.
        MakeItem(kMissingBase, kTcpGuid, 1001, 1, {1001}),
        MakeItem(kMissingBase, kNetbiosGuid, 1002, 1),
        MakeItem(kMissingLsp, kForeignGuid, 1003, 1),
        MakeItem("%SystemRoot%\\system32\\gone_other.dll", kTcpGuid, 1004, 1),
    };
    Seed(items);
    const CatalogState before = ReadCatalog();
    Seed(items);
    const Outcome outcome = RunImage();
    EXPECT_EQ(outcome.loaded, 1);
    EXPECT_EQ(outcome.repaired, 0);
    EXPECT_EQ(outcome.written, 0);
    ExpectDaclsAsBefore();
    EXPECT_TRUE(ReadCatalog() == before);
}

// Windows XP keeps the RSVP provider in its own DLL; Windows 7 serves it from
// mswsock.dll. Run once per version.
TEST_F(CatalogImage, RsvpBaseProviderGetsTheVersionsDll) {
    int code = 0;
    ASSERT_TRUE(GetWindowsVersionCode(code));
    const char* expected = code == 6   ? "%SystemRoot%\\system32\\rsvpsp.dll"
                           : code == 8 ? "%SystemRoot%\\system32\\mswsock.dll"
                                       : nullptr;
    ASSERT_NE(expected, nullptr) << "version code " << code;
    const std::vector<catalog::Item> items = {MakeItem(kMissingBase, kRsvpGuid, 1001, 1, {7, 8})};
    Seed(items);
    EXPECT_EQ(RunImage().written, 1);
    const CatalogState after = ReadCatalog();
    EXPECT_EQ(DescribeAll(after.items), DescribeAll({RepairedBase(items[0], expected)}));
}

TEST_F(CatalogImage, CatalogOfMoreThan49EntriesIsNeverRewritten) {
    std::vector<catalog::Item> items;
    for (int i = 0; i < 50; ++i)
        items.push_back(MakeItem(kMissingLsp, kForeignGuid, 1000 + i, 0));
    Seed(items);
    const Outcome outcome = RunImage();
    EXPECT_EQ(outcome.loaded, 0);
    ExpectDaclsAsBefore();
    const CatalogState after = ReadCatalog();
    EXPECT_EQ(after.count, 50u);
    EXPECT_EQ(DescribeAll(after.items), DescribeAll(items));
}

TEST_F(CatalogImage, KeysLockedAgainstAdministratorsAreOpenedAndLockedAgain) {
    const std::vector<catalog::Item> items = {
        MakeItem(kPresentDll, kTcpGuid, 1001, 1),
        MakeItem(kMissingLsp, kForeignGuid, 1002, 0),
        MakeItem(kPresentDll, kNetbiosGuid, 1003, 1),
    };
    ASSERT_TRUE(SeedCatalog(items));
    // Only SYSTEM may read the second entry, and only SYSTEM may open the
    // catalog key.
    ASSERT_TRUE(
        SetKeyDacl(std::wstring(kCatalogEntriesPath) + L"\\000000000002", L"D:P(A;;KR;;;SY)"));
    ASSERT_TRUE(SetKeyDacl(kProtocolCatalogPath, L"D:P(A;;KA;;;SY)"));
    daclsBefore_ = KeyDacls();
    const Outcome outcome = RunImage();
    EXPECT_EQ(outcome.loaded, 1);
    EXPECT_EQ(outcome.written, 1);
    EXPECT_EQ(outcome.restored, 1);
    // The entry key that was removed takes its DACL with it.
    daclsBefore_.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000003");
    ExpectDaclsAsBefore();
    const CatalogState after = ReadCatalog();
    EXPECT_EQ(after.count, 2u);
    EXPECT_EQ(DescribeAll(after.items), DescribeAll({items[0], items[2]}));
}

// A failure at any one registry call leaves the catalog as it was or complete
// in its new form, and every DACL as it was.
TEST_F(CatalogImage, FailureAtEveryRegistryStepLeavesNoThirdState) {
    const std::vector<catalog::Item> items = {
        MakeItem(kPresentDll, kTcpGuid, 1001, 1),
        MakeItem(kMissingLsp, kForeignGuid, 1002, 0),
        MakeItem(kPresentLsp, kTcpGuid, 1003, 2, {1002, 1001}),
        MakeItem(kPresentDll, kNetbiosGuid, 1004, 1),
    };
    auto seed = [&] {
        ASSERT_TRUE(SeedCatalog(items));
        ASSERT_TRUE(
            SetKeyDacl(std::wstring(kCatalogEntriesPath) + L"\\000000000004", L"D:P(A;;KR;;;SY)"));
    };
    seed();
    const auto originalDacls = KeyDacls();
    const CatalogState original = ReadCatalog();
    seed();
    ASSERT_EQ(RunImage().written, 1);
    const CatalogState rewritten = ReadCatalog();
    ASSERT_EQ(rewritten.count, 2u);
    auto rewrittenDacls = originalDacls;
    rewrittenDacls.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000003");
    rewrittenDacls.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000004");

    for (int failAt = 1;; ++failAt) {
        seed();
        FailingRegistry registry(failAt);
        RunImage(registry);
        const auto dacls = KeyDacls();
        const CatalogState after = ReadCatalog();
        EXPECT_TRUE(after == original || after == rewritten) << "failure at call " << failAt;
        EXPECT_EQ(dacls, after == rewritten ? rewrittenDacls : originalDacls)
            << "failure at call " << failAt;
        if (!registry.Failed())
            break;
        ASSERT_LT(failAt, 1000);
    }
}

// A run killed at any registry call of a rewrite: the next run puts the
// catalog back as it was (or finds the new one complete) before anything
// else, with every key DACL as before, so that processes without
// administrator rights can read the catalog again; no copy is left behind.
TEST_F(CatalogImage, RewriteKilledAtEveryStepIsPutBackByTheNextRun) {
    const std::vector<catalog::Item> items = {
        MakeItem(kPresentDll, kTcpGuid, 1001, 1),
        MakeItem(kMissingLsp, kForeignGuid, 1002, 0),
        MakeItem(kPresentLsp, kTcpGuid, 1003, 2, {1002, 1001}),
        MakeItem(kPresentDll, kNetbiosGuid, 1004, 1),
    };
    ASSERT_TRUE(SeedCatalog(items));
    const auto originalDacls = KeyDacls();
    const CatalogState original = ReadCatalog();
    ASSERT_TRUE(SeedCatalog(items));
    ASSERT_EQ(RunImage().written, 1);
    const CatalogState rewritten = ReadCatalog();
    auto rewrittenDacls = originalDacls;
    rewrittenDacls.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000003");
    rewrittenDacls.erase(std::wstring(kCatalogEntriesPath) + L"\\000000000004");

    int puttingBack = 0;
    for (int killAt = 1;; ++killAt) {
        ASSERT_TRUE(SeedCatalog(items));
        FailingRegistry registry(killAt, true);
        RunImage(registry);
        const bool killed = registry.Failed();
        EXPECT_EQ(WinsockCatalogImage().PutBackCutOffRewrite(), 1) << "killed at " << killAt;
        const auto dacls = KeyDacls();
        const CatalogState after = ReadCatalog();
        EXPECT_TRUE(after == original || after == rewritten) << "killed at " << killAt;
        EXPECT_EQ(dacls, after == rewritten ? rewrittenDacls : originalDacls)
            << "killed at " << killAt;
        HKEY copy = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\tolva\\filemender\\CatalogRewrite",
                                0, KEY_READ, &copy),
                  ERROR_SUCCESS)
            << "killed at " << killAt;
        if (copy)
            RegCloseKey(copy);
        if (after == original && killed)
            ++puttingBack;
        if (!killed)
            break;
        ASSERT_LT(killAt, 1000);
    }
    EXPECT_GT(puttingBack, 0);
}

} // namespace
