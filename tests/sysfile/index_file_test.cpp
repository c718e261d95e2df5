#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/tool_folder.h"
#include "support/test_files.h"
#include "sysfile/edition_table.h"
#include "sysfile/index_file.h"

namespace {

class IndexFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ToolDataFile(L"filemender.idx", false);
        ASSERT_FALSE(path_.empty());
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(path_.substr(0, path_.rfind(L'\\')).c_str());
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    std::wstring path_;
};

TEST_F(IndexFile, EveryCallWritesTheEditionsResourceAnew) {
    std::wstring written;
    // 215 (Windows XP English) carries no records in this build: an empty index.
    ASSERT_TRUE(MaterialiseIndex(L"0501.0000.1033", written));
    EXPECT_EQ(written, path_);
    ASSERT_TRUE(FileExists(path_)) << "the folders along the path are created";
    EXPECT_EQ(ReadWholeFile(path_), "");

    ASSERT_TRUE(WriteWholeFile(path_, std::string(100, 'o')));
    ASSERT_TRUE(MaterialiseIndex(L"0501.0000.1033", written));
    EXPECT_EQ(ReadWholeFile(path_), "") << "an earlier, longer file is truncated";

    ASSERT_TRUE(WriteWholeFile(path_, std::string(100, 'o')));
    ASSERT_TRUE(MaterialiseIndex(L"0501.0300.2052", written));
    const std::string index = ReadWholeFile(path_);
    EXPECT_EQ(index.size() % 32, 0u);
    EXPECT_EQ(index.find(std::string(100, 'o')), std::string::npos);
#ifdef FILEMENDER_DEMO_INDEX
    EXPECT_GT(index.size(), 0u) << "the build embeds a generated index as 214";
#endif
}

TEST_F(IndexFile, AnEditionWithoutARowLeavesTheFileAlone) {
    std::wstring written;
    ASSERT_TRUE(MaterialiseIndex(L"0501.0000.1033", written));
    ASSERT_TRUE(WriteWholeFile(path_, "earlier"));
    for (const wchar_t* key : {L"0601.0100.0000", L"", L"0501.0300.2052 ", L"0501.0300.2O52"})
        EXPECT_FALSE(MaterialiseIndex(key, written)) << key;
    EXPECT_EQ(ReadWholeFile(path_), "earlier");
}

TEST(EditionTable, ExactKeysOnly) {
    EXPECT_EQ(IndexResourceId(L"0501.0300.2052"), 214);
    EXPECT_EQ(IndexResourceId(L"0600.0200.0000"), 231);
    EXPECT_EQ(IndexResourceId(L"0601.0000.0000"), 222);
    EXPECT_EQ(IndexResourceId(L"0601.0100.0000"), 0);
    EXPECT_EQ(IndexResourceId(L"0501.0300.1031"), 0) << "only English and Chinese";
    EXPECT_EQ(IndexResourceId(L"0501.0300.20520"), 0);
    EXPECT_EQ(IndexResourceId(L""), 0);
}

} // namespace
