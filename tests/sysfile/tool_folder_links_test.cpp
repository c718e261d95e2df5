#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "app/run_log.h"
#include "common/link_safe_file.h"
#include "common/system_directories.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "sysfile/bin_resource_bytes.h"
#include "sysfile/index_file.h"
#include "support/test_files.h"
#include "support/unix_link.h"

// Ordinary users may create files and folders in the common application data
// folder, where the elevated program writes its log and index. Whatever they
// planted there, the program writes only into a folder of its own, and never
// into the file a link names.
namespace {

const std::wstring kVictim = L"C:\\Victim\\victim.dll";
const std::wstring kVictimFolder = L"C:\\VictimFolder";
const std::string kVictimBytes = "a system file that must stay byte for byte as it is";
constexpr WORD kChineseXpIndex = 214;

bool IsLink(const std::wstring& path) {
    UniqueFile there(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !there || !SamePath(FinalPathOf(there.get()), path);
}

class ToolFolderPlant : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ToolDataFile(L"", false);
        ASSERT_FALSE(folder_.empty());
        folder_.pop_back(); // the backslash
        CreateDirectoryW(L"C:\\Victim", nullptr);
        CreateDirectoryW(kVictimFolder.c_str(), nullptr);
        CreateDirectoryW(L"C:\\PlantTrash", nullptr);
        ASSERT_TRUE(WriteWholeFile(kVictim, kVictimBytes));
        ClearAway();
    }
    void TearDown() override { ClearAway(); }

    // Renames rather than deletes, and removes a link as a link: a recursive
    // delete of a link to a folder would empty the folder it leads to.
    void ClearAway() {
        WIN32_FIND_DATAW found = {};
        const std::wstring parent = folder_.substr(0, folder_.rfind(L'\\') + 1);
        UniqueFind find(FindFirstFileW((folder_ + L"*").c_str(), &found));
        if (!find)
            return;
        do {
            static int moved = 0;
            const std::wstring path = parent + found.cFileName;
            if (IsLink(path))
                RemoveUnixLink(path);
            else
                MoveFileExW(path.c_str(), (L"C:\\PlantTrash\\" + std::to_wstring(++moved)).c_str(),
                            0);
        } while (FindNextFileW(find.get(), &found));
    }

    std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }

    std::wstring folder_;
};

struct Plant {
    const char* what;
    std::function<bool(const std::wstring& folder)> plant;
    // Windows removes a junction as a junction; Wine has no call that removes
    // a Unix link without acting on what it leads to, so the program leaves
    // it and writes nothing.
    bool staysUnderWine = false;
};

TEST_F(ToolFolderPlant, LogAndIndexLandInAFolderOfTheirOwn) {
    const Plant plants[] = {
        {"the log a link to a system file",
         [](const std::wstring& folder) {
             CreateDirectoryW(folder.c_str(), nullptr);
             return MakeUnixLink(folder + L"\\Tools.log", kVictim);
         }},
        {"the index a link to a system file",
         [](const std::wstring& folder) {
             CreateDirectoryW(folder.c_str(), nullptr);
             return MakeUnixLink(folder + L"\\filemender.idx", kVictim);
         }},
        {"the log a hard link to a system file",
         [](const std::wstring& folder) {
             CreateDirectoryW(folder.c_str(), nullptr);
             return CreateHardLinkW((folder + L"\\Tools.log").c_str(), kVictim.c_str(), nullptr) !=
                    FALSE;
         }},
        {"the index a hard link to a system file",
         [](const std::wstring& folder) {
             CreateDirectoryW(folder.c_str(), nullptr);
             return CreateHardLinkW((folder + L"\\filemender.idx").c_str(), kVictim.c_str(),
                                    nullptr) != FALSE;
         }},
        {"the folder a link to a system folder",
         [](const std::wstring& folder) { return MakeUnixLink(folder, kVictimFolder); }, true},
        {"a plain file in the folder's place",
         [](const std::wstring& folder) { return WriteWholeFile(folder, "planted"); }},
    };
    const std::string index = BinResourceBytes(nullptr, kChineseXpIndex);
    ASSERT_FALSE(index.empty());
    for (const Plant& p : plants) {
        SCOPED_TRACE(p.what);
        ClearAway();
        ASSERT_TRUE(p.plant(folder_));

        RunLog log;
        log.Append("block");
        const bool logWritten = log.WriteToFile();
        std::wstring indexPath;
        EXPECT_TRUE(MaterialiseIndex(L"0501.0300.2052", indexPath));

        EXPECT_TRUE(ReadWholeFile(kVictim) == kVictimBytes) << "the victim was written";
        EXPECT_TRUE(FolderEntries(kVictimFolder).empty()) << "files written into another folder";
        if (p.staysUnderWine) {
            EXPECT_FALSE(logWritten);
            continue;
        }
        EXPECT_TRUE(logWritten);
        const DWORD attributes = GetFileAttributesW(folder_.c_str());
        EXPECT_EQ(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
        EXPECT_TRUE(ReadWholeFile(File(L"Tools.log")) == "block");
        EXPECT_TRUE(ReadWholeFile(File(L"filemender.idx")) == index);
    }
}

// What the program keeps there itself, folders included, stays from run to run.
TEST_F(ToolFolderPlant, TheProgramsOwnFolderIsKept) {
    RunLog log;
    log.Append("first");
    ASSERT_TRUE(log.WriteToFile());
    ASSERT_TRUE(CreateDirectoryW(File(L"backup").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(File(L"backup") + L"\\kept", "kept"));

    ASSERT_TRUE(log.WriteToFile());

    EXPECT_TRUE(ReadWholeFile(File(L"Tools.log")) == "firstfirst");
    EXPECT_TRUE(ReadWholeFile(File(L"backup") + L"\\kept") == "kept");
}

} // namespace
