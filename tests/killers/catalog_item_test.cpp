#include <gtest/gtest.h>

#include "killers/catalog_fixture.h"
#include "killers/catalog_item.h"

namespace {

using catalog::Item;

std::vector<uint32_t> Chain(const Item& item) {
    std::vector<uint32_t> chain;
    for (int i = 0; i < catalog::kChainEntryCount; ++i)
        chain.push_back(catalog::ChainEntry(item, i));
    return chain;
}

TEST(CatalogItem, FieldsAreReadByOffsetLittleEndian) {
    const Item item = MakeItem("C:\\x.dll", kRsvpGuid, 0x01020304, 3, {5, 6, 7});
    EXPECT_EQ(catalog::LibraryPath(item), "C:\\x.dll");
    EXPECT_EQ(catalog::GuidText(catalog::ProviderId(item)), kRsvpGuid);
    EXPECT_EQ(item[catalog::kCatalogEntryIdOffset], 0x04);
    EXPECT_EQ(catalog::CatalogEntryId(item), 0x01020304u);
    EXPECT_EQ(catalog::ChainLen(item), 3);
    EXPECT_EQ(Chain(item), (std::vector<uint32_t>{5, 6, 7, 0, 0, 0, 0}));
    // A path without its NUL is read as the 260 bytes it has, no further.
    Item unterminated = item;
    std::fill(unterminated.begin(), unterminated.begin() + catalog::kLibraryPathSize, 'a');
    EXPECT_EQ(catalog::LibraryPath(unterminated), std::string(catalog::kLibraryPathSize, 'a'));
    EXPECT_FALSE(catalog::SetLibraryPath(unterminated, std::string(260, 'b')));
    EXPECT_TRUE(catalog::SetLibraryPath(unterminated, std::string(259, 'b')));
}

TEST(CatalogItem, EntryNamesHaveTwelveDigits) {
    EXPECT_EQ(catalog::EntryName(1), "000000000001");
    EXPECT_EQ(catalog::EntryName(49), "000000000049");
    EXPECT_FALSE(catalog::EntryName(50));
    EXPECT_FALSE(catalog::EntryName(0));
}

TEST(CatalogItem, DeadIdLeavesChains) {
    struct Case {
        const char* what;
        int32_t chainLen;
        std::vector<uint32_t> chain;
        int32_t chainLenAfter; // 0 with an all-zero chain: the item was zeroed
        std::vector<uint32_t> chainAfter;
    } cases[] = {
        {"front", 3, {9, 1, 2}, 2, {1, 2, 0, 0, 0, 0, 0}},
        {"middle and end", 4, {1, 9, 2, 9}, 2, {1, 2, 0, 0, 0, 0, 0}},
        // An id moved into the tested position is not tested again.
        {"twice in a row", 4, {9, 9, 1, 2}, 3, {9, 1, 2, 0, 0, 0, 0}},
        {"last of seven", 7, {1, 2, 3, 4, 5, 6, 9}, 6, {1, 2, 3, 4, 5, 6, 0}},
        {"one id left", 2, {9, 1}, 0, {0, 0, 0, 0, 0, 0, 0}},
        {"not in it", 2, {1, 2}, 2, {1, 2, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<Item> items = {MakeItem("lsp.dll", kForeignGuid, 9, 0),
                                   MakeItem("chain.dll", kTcpGuid, 20, c.chainLen, c.chain)};
        catalog::RemoveLayeredProvider(items, 0);
        EXPECT_EQ(items[0], Item{}) << c.what;
        EXPECT_EQ(catalog::ChainLen(items[1]), c.chainLenAfter) << c.what;
        EXPECT_EQ(Chain(items[1]), c.chainAfter) << c.what;
        EXPECT_EQ(catalog::IsEmptied(items[1]), c.chainLenAfter == 0) << c.what;
    }
}

TEST(CatalogItem, PathsMatchByteForByte) {
    std::vector<Item> items = {MakeItem("%SystemRoot%\\system32\\Gone.dll", kTcpGuid, 1, 1),
                               MakeItem("%SystemRoot%\\system32\\gone.dll", kTcpGuid, 2, 1)};
    ASSERT_TRUE(catalog::RepairEntriesForPath(items, "%SystemRoot%\\system32\\gone.dll", 6));
    EXPECT_EQ(catalog::LibraryPath(items[0]), "%SystemRoot%\\system32\\Gone.dll");
    EXPECT_EQ(catalog::LibraryPath(items[1]), "%SystemRoot%\\system32\\mswsock.dll");
}

TEST(CatalogItem, RepairByVersion) {
    struct Case {
        int versionCode;
        const char* guid;
        int32_t chainLen;
        bool repaired;
        const char* pathAfter;
    } cases[] = {
        {5, kTcpGuid, 1, true, "%SystemRoot%\\system32\\msafd.dll"},
        {6, kRsvpGuid, 1, true, "%SystemRoot%\\system32\\rsvpsp.dll"},
        {7, kRsvpGuid, 1, true, "%SystemRoot%\\system32\\mswsock.dll"},
        {9, "{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}", 1, true,
         "%SystemRoot%\\system32\\mswsock.dll"},
        {8, "{11058240-BE47-11CF-95C8-00805F48A192}", 1, false, "gone.dll"},
        {6, kForeignGuid, 5, true, "%SystemRoot%\\system32\\mswsock.dll"}, // a chain
        {6, kTcpGuid, -1, false, "gone.dll"},
        {4, kTcpGuid, 1, true, "gone.dll"}, // versions it does not know change nothing
    };
    for (const Case& c : cases) {
        std::vector<Item> items = {MakeItem("gone.dll", c.guid, 1, c.chainLen, {3, 4})};
        EXPECT_EQ(catalog::RepairEntriesForPath(items, "gone.dll", c.versionCode), c.repaired)
            << c.versionCode << " " << c.guid;
        EXPECT_EQ(catalog::LibraryPath(items[0]), c.pathAfter) << c.versionCode << " " << c.guid;
    }
}

TEST(CatalogItem, PercentExpansion) {
    const catalog::EnvironmentLookup environment = [](const std::string& name, std::string& value) {
        if (name == "SystemRoot") {
            value = "C:\\WINDOWS";
            return catalog::Lookup::Defined;
        }
        if (name == "EMPTY") {
            value.clear();
            return catalog::Lookup::Defined;
        }
        if (name == "HUGE") {
            value.assign(1000, 'h');
            return catalog::Lookup::Defined;
        }
        return name == "BROKEN" ? catalog::Lookup::Failed : catalog::Lookup::Undefined;
    };
    struct Case {
        const char* text;
        std::optional<std::string> expanded;
    } cases[] = {
        {"%SystemRoot%\\system32\\a.dll", "C:\\WINDOWS\\system32\\a.dll"},
        {"%Undefined%\\a.dll", "%Undefined%\\a.dll"},
        // The closing sign of an undefined name may open the next reference.
        {"%x%SystemRoot%", "%xC:\\WINDOWS"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"a%EMPTY%b", "ab"},
        {"%BROKEN%", std::nullopt},
        {"%HUGE%%HUGE%", std::nullopt},
        {"%HUGE%", std::string(1000, 'h')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(catalog::ExpandPercentVariables(c.text, environment), c.expanded) << c.text;
}

} // namespace
