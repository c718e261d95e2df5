#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

#include "app/machine_id.h"
#include "common/registry.h"

namespace {

constexpr wchar_t kKey[] = L"software\\tolva";

bool ReadIdBytes(unsigned char (&bytes)[16]) {
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, kKey, KEY_READ, key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = sizeof(bytes);
    return RegQueryValueExW(key.get(), nullptr, nullptr, &type, bytes, &size) == ERROR_SUCCESS &&
           type == REG_BINARY && size == 16;
}

void StoreDefault(DWORD type, const void* data, DWORD size) {
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), nullptr, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

class MachineId : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey); }
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey); }
};

TEST_F(MachineId, CreatedOnceAndReadBackTheSame) {
    const std::wstring first = LoadOrCreateMachineId();
    EXPECT_TRUE(std::regex_match(first, std::wregex(L"[0-9A-F]{32}"))) << first.c_str();
    unsigned char stored[16] = {};
    ASSERT_TRUE(ReadIdBytes(stored));
    EXPECT_EQ(HexUpper(stored, 16), first);
    EXPECT_EQ(LoadOrCreateMachineId(), first);
}

TEST_F(MachineId, HexIsBufferOrderHighNibbleFirst) {
    const unsigned char bytes[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                     0x00, 0x10, 0xf0, 0x0f, 0xff, 0x7a, 0xa7, 0x5c};
    StoreDefault(REG_BINARY, bytes, sizeof(bytes));
    EXPECT_EQ(LoadOrCreateMachineId(), L"0123456789ABCDEF0010F00FFF7AA75C");
}

TEST_F(MachineId, ValueOfAnotherTypeOrSizeIsReplaced) {
    const unsigned char seventeen[17] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    const unsigned char four[4] = {1, 2, 3, 4};
    const wchar_t text[] = L"0123456789ABCDEF";
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"longer than 16 bytes", REG_BINARY, seventeen, sizeof(seventeen)},
        {"shorter than 16 bytes", REG_BINARY, four, sizeof(four)},
        {"a string", REG_SZ, text, sizeof(text)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreDefault(c.type, c.data, c.size);
        const std::wstring id = LoadOrCreateMachineId();
        unsigned char stored[16] = {};
        ASSERT_TRUE(ReadIdBytes(stored));
        EXPECT_EQ(HexUpper(stored, 16), id);
        EXPECT_EQ(id.size(), 32u);
    }
}

} // namespace
