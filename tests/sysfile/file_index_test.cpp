#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "support/test_files.h"
#include "sysfile/file_index.h"
#include "sysfile/whole_file.h"

namespace {

PathKey KeyOf(unsigned char first, unsigned char last) {
    PathKey key = {};
    key.fill(0x55);
    key.front() = first;
    key.back() = last;
    return key;
}

// A small index of our own making: keys 0x10.., 0x20.., 0x30.. (differing in
// the last byte as well, so that a compare of only the first byte shows).
class SmallIndex : public ::testing::Test {
protected:
    void SetUp() override {
        const unsigned char firsts[] = {0x10, 0x20, 0x20, 0x30};
        const unsigned char lasts[] = {0x01, 0x01, 0x05, 0x01};
        for (int i = 0; i < 4; ++i) {
            const PathKey key = KeyOf(firsts[i], lasts[i]);
            bytes_.append(reinterpret_cast<const char*>(key.data()), key.size());
            bytes_.append(16, static_cast<char>(0xA0 + i));
        }
        path_ = L"C:\\small.idx";
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    void Load(const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(path_, bytes));
        ASSERT_TRUE(index_.Load(path_));
    }

    std::string bytes_;
    std::wstring path_;
    FileIndex index_;
};

TEST_F(SmallIndex, HitMissAndPastTheEnd) {
    Load(bytes_);
    ASSERT_EQ(index_.RecordCount(), 4u);
    const struct {
        unsigned char first, last;
        FindOutcome outcome;
        int record; // on a hit: which one
    } cases[] = {
        {0x10, 0x01, FindOutcome::Hit, 0},         {0x20, 0x01, FindOutcome::Hit, 1},
        {0x20, 0x05, FindOutcome::Hit, 2},         {0x30, 0x01, FindOutcome::Hit, 3},
        {0x00, 0x00, FindOutcome::Miss, -1},       // before the first record
        {0x20, 0x03, FindOutcome::Miss, -1},       // between two records
        {0x30, 0x00, FindOutcome::Miss, -1},       // just before the last
        {0x30, 0x02, FindOutcome::PastTheEnd, -1}, // just after the last
        {0xFF, 0xFF, FindOutcome::PastTheEnd, -1},
    };
    for (const auto& c : cases) {
        const FindResult result = index_.Find(KeyOf(c.first, c.last));
        EXPECT_EQ(result.outcome, c.outcome) << int(c.first) << "/" << int(c.last);
        if (c.outcome == FindOutcome::Hit) {
            EXPECT_EQ(result.record.pathKey, KeyOf(c.first, c.last));
            Digest expected;
            expected.fill(static_cast<unsigned char>(0xA0 + c.record));
            EXPECT_EQ(result.record.goodDigest, expected);
        }
    }
}

TEST_F(SmallIndex, APartialLastRecordIsIgnored) {
    // The partial record holds the 0x40 key in full, but no digest.
    const PathKey partial = KeyOf(0x40, 0x01);
    std::string bytes = bytes_;
    bytes.append(reinterpret_cast<const char*>(partial.data()), partial.size());
    bytes.append(15, 'x');
    Load(bytes);
    EXPECT_EQ(index_.RecordCount(), 4u);
    EXPECT_EQ(index_.Find(partial).outcome, FindOutcome::PastTheEnd);
    EXPECT_EQ(index_.Find(KeyOf(0x30, 0x01)).outcome, FindOutcome::Hit);
}

TEST_F(SmallIndex, EmptyMissingOrTooShortFileIsNoIndex) {
    ASSERT_TRUE(WriteWholeFile(path_, ""));
    EXPECT_FALSE(index_.Load(path_));
    EXPECT_EQ(index_.Find(KeyOf(0x10, 0x01)).outcome, FindOutcome::PastTheEnd);

    ASSERT_TRUE(WriteWholeFile(path_, std::string(31, 'k')));
    EXPECT_FALSE(index_.Load(path_));
    EXPECT_EQ(index_.RecordCount(), 0u);

    // A missing file also drops what an earlier load held.
    Load(bytes_);
    DeleteFileW(path_.c_str());
    EXPECT_FALSE(index_.Load(path_));
    EXPECT_EQ(index_.Find(KeyOf(0x10, 0x01)).outcome, FindOutcome::PastTheEnd);
}

TEST(LoadWholeFile, ExactBytesOrNothing) {
    const std::wstring path = L"C:\\whole.bin";
    std::vector<unsigned char> bytes(3, 7);

    std::string content("a\0b\r\n", 5);
    ASSERT_TRUE(WriteWholeFile(path, content));
    ASSERT_TRUE(LoadWholeFile(path, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);

    // Readable while another handle holds it for writing.
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(LoadWholeFile(path, bytes));
    CloseHandle(writer);

    ASSERT_TRUE(WriteWholeFile(path, ""));
    EXPECT_FALSE(LoadWholeFile(path, bytes));
    EXPECT_TRUE(bytes.empty());

    DeleteFileW(path.c_str());
    bytes.assign(3, 7);
    EXPECT_FALSE(LoadWholeFile(path, bytes));
    EXPECT_TRUE(bytes.empty());
}

// Far past any file the program reads whole: a size planted to exhaust
// memory is refused before anything is allocated.
TEST(LoadWholeFile, FileBeyondTheLimitIsNotRead) {
    const std::wstring path = L"C:\\huge.bin";
    {
        UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size = {};
        size.QuadPart = 100ll << 20;
        ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    std::vector<unsigned char> bytes(1, 1);
    EXPECT_FALSE(LoadWholeFile(path, bytes));
    EXPECT_TRUE(bytes.empty());
    DeleteFileW(path.c_str());
}

} // namespace
