#include <gtest/gtest.h>

#include <windows.h>

#include "app/run_log.h"
#include "support/test_files.h"

namespace {

class RunLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = LogFilePath(false);
        ASSERT_FALSE(path_.empty());
        DeleteFileW(path_.c_str());
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    std::wstring path_;
};

TEST(RunLog, OperationsReplaceOrAppendExactBytes) {
    RunLog log;
    log.Format("StartTime:%i-%i\r\n", 2026, 7);
    EXPECT_EQ(log.Text(), "StartTime:2026-7\r\n");

    const char withNul[] = {'a', '\0', 'b'};
    log.Append(withNul, sizeof(withNul));
    EXPECT_EQ(log.Length(), 18u + 3u);
    EXPECT_EQ(log.Text().substr(18), std::string(withNul, 3));

    log.Assign(L"C:\\x");
    EXPECT_EQ(log.Text(), "C:\\x");
    log.Assign(nullptr);
    EXPECT_EQ(log.Length(), 0u);
    log.Assign(L"");
    EXPECT_EQ(log.Length(), 0u);
}

TEST(RunLog, PathLineIsLabelPathAndLineEnd) {
    RunLog& log = TheRunLog();
    log.Assign(nullptr);
    LogPathLine("Search Path Inject\t", L"\\\\?\\c:\\app\\lpk.dll");
    EXPECT_EQ(log.Text(), "Search Path Inject\t\\\\?\\c:\\app\\lpk.dll\r\n");
    log.Assign(nullptr);
}

TEST_F(RunLogFile, CreatesTheFolderAndAppendsBlocks) {
    const std::wstring folder = path_.substr(0, path_.rfind(L'\\'));
    RemoveTestFolder(folder);
    ASSERT_FALSE(FileExists(folder));

    RunLog log;
    log.Append("first");
    ASSERT_TRUE(log.WriteToFile());
    log.Assign(nullptr);
    log.Append("second");
    ASSERT_TRUE(log.WriteToFile());

    EXPECT_EQ(ReadWholeFile(path_), "firstsecond");
    EXPECT_EQ(log.Text(), "second") << "writing must leave the log as it was";
    EXPECT_NE(path_.find(L"\\quillanTools\\Tools.log"), std::wstring::npos);
}

TEST_F(RunLogFile, CutOnlyAboveOneMebibyte) {
    struct Case {
        size_t existing;
        bool cut;
    } cases[] = {
        {0x100000 - 1, false},
        {0x100000, false}, // exactly the limit is still appended to
        {0x100000 + 1, true},
    };
    RunLog log;
    log.Append("block");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing);
        ASSERT_TRUE(WriteWholeFile(path_, std::string(c.existing, 'x')));
        ASSERT_TRUE(log.WriteToFile());
        const std::string after = ReadWholeFile(path_);
        if (c.cut) {
            EXPECT_EQ(after, "block");
        } else {
            EXPECT_EQ(after.size(), c.existing + 5);
            EXPECT_EQ(after.substr(c.existing), "block");
        }
    }
}

TEST_F(RunLogFile, LockedFileLosesTheBlockQuietly) {
    ASSERT_TRUE(WriteWholeFile(path_, "old"));
    HANDLE lock = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    RunLog log;
    log.Append("new");
    EXPECT_FALSE(log.WriteToFile());
    CloseHandle(lock);
    EXPECT_EQ(ReadWholeFile(path_), "old");
    EXPECT_EQ(log.Text(), "new");
}

} // namespace
