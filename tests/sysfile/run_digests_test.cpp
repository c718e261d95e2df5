#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/file_digest.h"
#include "sysfile/run_digests.h"
#include "support/test_files.h"

namespace {

const std::wstring kFolder = L"C:\\run-digests-test";

class RunDigests : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetRunDigests();
        CreateDirectoryW(kFolder.c_str(), nullptr);
    }
    void TearDown() override {
        ForgetRunDigests();
        RemoveTestFolder(kFolder);
    }
    static std::wstring Path(const wchar_t* name) { return kFolder + L"\\" + name; }
    static Digest Of(const std::wstring& path) {
        Digest digest = {};
        EXPECT_TRUE(RunDigestOf(path, digest)) << path;
        return digest;
    }
    static Digest Truth(const std::wstring& path) {
        Digest digest = {};
        EXPECT_TRUE(DigestOfFile(path, digest)) << path;
        return digest;
    }
};

// A remembered digest holds only while the file is the same file, of the
// same size and times: a file renamed over it, or one written again, is
// hashed anew.
TEST_F(RunDigests, TakenAgainWhenTheFileChanged) {
    const std::wstring path = Path(L"a.dll");
    ASSERT_TRUE(WriteWholeFile(path, "first content"));
    EXPECT_EQ(Of(path), Truth(path));

    // Same size, another file under the name.
    ASSERT_TRUE(WriteWholeFile(Path(L"b.new"), "other content"));
    ASSERT_TRUE(MoveFileExW(Path(L"b.new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Of(path), Truth(path));

    // The same file written again, another size.
    ASSERT_TRUE(WriteWholeFile(path, "longer other content"));
    EXPECT_EQ(Of(path), Truth(path));

    // Same size and file, the time put back: only the write time was moved on.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME later = {};
    GetFileTime(file, nullptr, nullptr, &later);
    later.dwLowDateTime += 10000000; // a second later
    DWORD written = 0;
    WriteFile(file, "L", 1, &written, nullptr);
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    EXPECT_EQ(Of(path), Truth(path));

    Digest digest = {};
    EXPECT_FALSE(RunDigestOf(Path(L"missing.dll"), digest));
}

// Hashed ahead on two threads, the digests are those of each file.
TEST_F(RunDigests, PrefetchedDigestsAreEachFilesOwn) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < 12; ++i) {
        const std::wstring path = Path((L"f" + std::to_wstring(i) + L".dll").c_str());
        ASSERT_TRUE(WriteWholeFile(path, std::string(1000 * (i + 1), static_cast<char>('a' + i))));
        paths.push_back(path);
    }
    paths.push_back(Path(L"missing.dll"));
    PrefetchRunDigests(paths);
    for (size_t i = 0; i + 1 < paths.size(); ++i)
        EXPECT_EQ(Of(paths[i]), Truth(paths[i])) << paths[i];
    Digest digest = {};
    EXPECT_FALSE(RunDigestOf(Path(L"missing.dll"), digest));
}

} // namespace
