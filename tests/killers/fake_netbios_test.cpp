#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/run_log.h"
#include "journal/change_journal.h"
#include "common/narrow_text.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/kill_fake_netbios.h"
#include "support/child_process.h"
#include "support/program_windows.h"
#include "support/test_files.h"

namespace {

constexpr wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\NetBIOS";
constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::wstring kOriginalPath = L"%SystemRoot%\\system32\\drivers\\netbios.sys";

// The run's title line for this module, "清除NetBios.sys木马", in code page 936.
const std::string kTitleLine = "\xc7\xe5\xb3\xfdNetBios.sys\xc4\xbe\xc2\xed\r\n";

struct RegistryValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::wstring text;

    bool operator==(const RegistryValue& other) const {
        return present == other.present && type == other.type && text == other.text;
    }
};

std::ostream& operator<<(std::ostream& out, const RegistryValue& value) {
    if (!value.present)
        return out << "(absent)";
    std::string narrow;
    for (wchar_t c : value.text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return out << "type " << value.type << " \"" << narrow << "\" (" << value.text.size()
               << " chars)";
}

RegistryValue Present(std::wstring text, DWORD type) {
    return RegistryValue{true, type, std::move(text)};
}

// Reads any value as text, whatever its type says.
RegistryValue ReadValue(const wchar_t* subKey, const wchar_t* name) {
    RegistryValue value;
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, subKey, KEY_READ, key) != ERROR_SUCCESS)
        return value;
    std::wstring buffer(4096, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return value;
    value.present = true;
    buffer.resize(size / sizeof(wchar_t));
    while (!buffer.empty() && buffer.back() == L'\0')
        buffer.pop_back();
    value.text = buffer;
    return value;
}

RegistryValue ImagePath() {
    return ReadValue(kServiceKey, L"ImagePath");
}

// A file opened without any sharing by a process of its own, as a loaded
// driver that protects its file holds it.
class FileHolder {
public:
    explicit FileHolder(const std::wstring& path) {
        static int holders = 0;
        const std::wstring eventName = L"fake-netbios-holder-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++holders);
        UniqueHandle holding(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
        if (!holding)
            return;
        process_ = StartProcess(L"C:\\tools\\file_holder.exe \"" + path + L"\" " + eventName);
        if (!process_)
            return;
        const HANDLE waitFor[] = {holding.get(), process_.get()};
        holding_ = WaitForMultipleObjects(2, waitFor, FALSE, 30000) == WAIT_OBJECT_0;
    }
    ~FileHolder() { Release(); }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    bool Holding() const { return holding_; }

    void Release() {
        if (process_) {
            TerminateProcess(process_.get(), 0);
            WaitForSingleObject(process_.get(), 10000);
            process_.reset();
        }
        holding_ = false;
    }

private:
    UniqueHandle process_;
    bool holding_ = false;
};

class FakeNetBios : public ::testing::Test {
protected:
    void SetUp() override {
        driver_ = SystemDirectoryWithSlash() + L"drivers\\netbios.sys";
        RemoveServiceAndDriver();
        TheRunLog().Assign(nullptr);
        BeginJournal(JournalMode::Repair, Now());
    }

    static SYSTEMTIME Now() {
        SYSTEMTIME now = {};
        GetLocalTime(&now);
        return now;
    }
    void TearDown() override { RemoveServiceAndDriver(); }

    void RemoveServiceAndDriver() {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey);
        DeleteFileW(driver_.c_str());
    }

    // A demand-start kernel driver service, so that Wine never loads it.
    void PlantService() {
        UniqueKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(WriteDword(key.get(), L"Type", SERVICE_KERNEL_DRIVER), ERROR_SUCCESS);
        ASSERT_EQ(WriteDword(key.get(), L"Start", SERVICE_DEMAND_START), ERROR_SUCCESS);
    }

    void PlantImagePath(const std::wstring& text, DWORD type) {
        PlantImagePathBytes(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
    }

    void PlantImagePathBytes(DWORD type, const void* data, DWORD size) {
        PlantService();
        UniqueKey key;
        ASSERT_EQ(OpenKey(HKEY_LOCAL_MACHINE, kServiceKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
        ASSERT_EQ(
            RegSetValueExW(key.get(), L"ImagePath", 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
    }

    void PlantDriver() { ASSERT_TRUE(WriteWholeFile(driver_, "MZ fake netbios driver")); }

    // One module's turn in a run: a scan and, when it found something, its repair.
    static int ScanAndRepair() {
        CKillFakeNetBios module;
        const int found = module.Scan();
        if (found) {
            EXPECT_EQ(module.Repair(), 1);
        }
        return found;
    }

    std::wstring driver_;
};

TEST_F(FakeNetBios, NothingToDoWithoutALockedDriverOrAMarker) {
    struct Case {
        const char* what;
        bool driver;
        const wchar_t* imagePath; // null: no service key
    } cases[] = {
        {"readable driver, unmarked path", true, L"system32\\drivers\\netbios.sys"},
        {"no driver, unmarked path", false, L"system32\\drivers\\netbios.sys"},
        {"readable driver, no service", true, nullptr},
        {"nothing at all", false, nullptr},
        {"a marker cut short", true, L"ORVI\\system32\\drivers\\netbios.sys"},
        {"the marker not in front", true, L"\\??\\C:\\ORVIX\\netbios.sys"},
        {"a path shorter than the marker", true, L"ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveServiceAndDriver();
        if (c.driver)
            PlantDriver();
        if (c.imagePath)
            PlantImagePath(c.imagePath, REG_EXPAND_SZ);
        const RegistryValue before = ImagePath();

        CKillFakeNetBios module;
        EXPECT_EQ(module.Scan(), 0);
        EXPECT_EQ(module.Detect(), 0);

        EXPECT_EQ(ImagePath(), before);
        EXPECT_EQ(FileExists(driver_), c.driver);
    }
    EXPECT_EQ(TheRunLog().Text(), "");
}

// While the driver holds its file, the scan looks no further: a marker that is
// already there neither counts as found nor gets a second one in front.
TEST_F(FakeNetBios, LockedDriverIsMarkedOnceWhateverTheRunsBeforeTheRestart) {
    PlantImagePath(kOriginalPath, REG_EXPAND_SZ);
    PlantDriver();
    FileHolder holder(driver_);
    ASSERT_TRUE(holder.Holding());

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        CKillFakeNetBios module;
        EXPECT_EQ(module.Detect(), 1);
        EXPECT_EQ(module.Scan(), 1);
        EXPECT_EQ(module.Repair(), 1);
        EXPECT_EQ(ImagePath(), Present(L"ORVIX" + kOriginalPath, REG_EXPAND_SZ));
        EXPECT_TRUE(FileExists(driver_));
    }

    // A marker in another letter case counts as there.
    PlantImagePath(L"orvix" + kOriginalPath, REG_SZ);
    EXPECT_EQ(ScanAndRepair(), 1);
    EXPECT_EQ(ImagePath(), Present(L"orvix" + kOriginalPath, REG_SZ));
    EXPECT_TRUE(FileExists(driver_));
    EXPECT_EQ(TheRunLog().Text(), "");
}

// Windows does not load the marked driver at its next start; Wine's wineboot
// stands in for that start once the holder has let the file go.
TEST_F(FakeNetBios, AfterTheRestartTheDriverIsGoneAndThePathAsBefore) {
    PlantImagePath(kOriginalPath, REG_EXPAND_SZ);
    PlantDriver();
    {
        FileHolder holder(driver_);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(ScanAndRepair(), 1);
        EXPECT_EQ(ScanAndRepair(), 1);
    }
    ASSERT_EQ(RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000), 0u);

    EXPECT_EQ(ScanAndRepair(), 1);
    EXPECT_FALSE(FileExists(driver_));
    EXPECT_EQ(ImagePath(), Present(kOriginalPath, REG_EXPAND_SZ));

    EXPECT_EQ(ScanAndRepair(), 0) << "nothing is left to do";

    // Each change was recorded before it was made, so that it can be undone.
    const std::wstring serviceKey = L"HKLM\\" + std::wstring(kServiceKey);
    std::vector<std::wstring> recorded;
    for (const JournalChange& change : JournalChanges())
        recorded.push_back(change.kind + L" " + change.target + L" " + change.name);
    EXPECT_EQ(recorded, (std::vector<std::wstring>{L"value " + serviceKey + L" ImagePath",
                                                   L"file " + driver_ + L" ",
                                                   L"value " + serviceKey + L" ImagePath"}));
}

// Any user may open the system's own netbios.sys and share nothing: the first
// pass cannot tell it from the fake driver and only marks the image path. The
// pass after the restart judges the file before anything goes, and one that
// Microsoft made stays, byte for byte, with its attributes.
TEST_F(FakeNetBios, AGenuineDriverHeldOpenIsKept) {
    const std::string genuine = ReadWholeFile(SystemDirectoryWithSlash() + L"kernel32.dll");
    ASSERT_FALSE(genuine.empty());
    PlantImagePath(kOriginalPath, REG_EXPAND_SZ);
    ASSERT_TRUE(WriteWholeFile(driver_, genuine));
    ASSERT_TRUE(SetFileAttributesW(
        driver_.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    const DWORD attributes = GetFileAttributesW(driver_.c_str());
    {
        FileHolder holder(driver_);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(ScanAndRepair(), 1);
        EXPECT_EQ(ImagePath(), Present(L"ORVIX" + kOriginalPath, REG_EXPAND_SZ));
    }
    // The holder gone stands in for the restart: the module reads only the marker.
    EXPECT_EQ(ScanAndRepair(), 1);

    EXPECT_EQ(ReadWholeFile(driver_), genuine);
    EXPECT_EQ(GetFileAttributesW(driver_.c_str()), attributes);
    EXPECT_EQ(ImagePath(), Present(kOriginalPath, REG_EXPAND_SZ));
    EXPECT_EQ(TheRunLog().Text(), "keep system driver\t" + ToNarrow(driver_) + "\r\n");
    EXPECT_EQ(ScanAndRepair(), 0) << "nothing is left to do";
    SetFileAttributesW(driver_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A change the journal cannot record is not made: with every change refused,
// neither the marker nor the deletion happens.
TEST_F(FakeNetBios, NothingChangesThatTheJournalDidNotRecord) {
    BeginJournal(JournalMode::ScanOnly, Now());
    PlantImagePath(kOriginalPath, REG_EXPAND_SZ);
    PlantDriver();
    {
        FileHolder holder(driver_);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(ScanAndRepair(), 1);
        EXPECT_EQ(ImagePath(), Present(kOriginalPath, REG_EXPAND_SZ));
    }
    PlantImagePath(L"ORVIX" + kOriginalPath, REG_EXPAND_SZ);
    EXPECT_EQ(ScanAndRepair(), 1);
    EXPECT_TRUE(FileExists(driver_));
    EXPECT_EQ(ImagePath(), Present(L"ORVIX" + kOriginalPath, REG_EXPAND_SZ));
    EXPECT_TRUE(JournalChanges().empty());
}

// Every marker at the front goes, whatever its letter case, so that markers an
// earlier version piled up do not leave the service broken for good. The
// value keeps its own type.
TEST_F(FakeNetBios, EveryLeadingMarkerGoesAndTheTypeStays) {
    struct Case {
        const wchar_t* marked;
        DWORD type;
        bool driver;
        const wchar_t* restored;
    } cases[] = {
        {L"ORVIX%SystemRoot%\\system32\\drivers\\netbios.sys", REG_EXPAND_SZ, true,
         L"%SystemRoot%\\system32\\drivers\\netbios.sys"},
        {L"orvixsystem32\\drivers\\netbios.sys", REG_SZ, true, L"system32\\drivers\\netbios.sys"},
        {L"ORVIXorvixOrViXORVIX\\SystemRoot\\System32\\drivers\\netbios.sys", REG_EXPAND_SZ, true,
         L"\\SystemRoot\\System32\\drivers\\netbios.sys"},
        {L"ORVIX orvix.sys", REG_SZ, true, L" orvix.sys"}, // only what stands in front
        {L"ORVIXORVIX", REG_SZ, true, L""},                // marked while the value was missing
        {L"ORVIXsystem32\\drivers\\netbios.sys", REG_SZ, false, L"system32\\drivers\\netbios.sys"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        RemoveServiceAndDriver();
        PlantImagePath(c.marked, c.type);
        if (c.driver)
            PlantDriver();

        EXPECT_EQ(ScanAndRepair(), 1);

        EXPECT_FALSE(FileExists(driver_));
        EXPECT_EQ(ImagePath(), Present(c.restored, c.type));
    }
}

// What cannot be read is never written over: the text written back would lose
// the path. A missing value is what the service loader reads as empty, and is
// marked as such.
TEST_F(FakeNetBios, LockedDriverLeavesAnImagePathItCannotReadAlone) {
    const std::wstring tooLong = L"\\??\\C:\\" + std::wstring(600, L'x') + L"\\netbios.sys";
    const wchar_t multiString[] = L"system32\\drivers\\netbios.sys\0second\0";
    const DWORD dword = 7;
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"longer than 511 characters", REG_EXPAND_SZ, tooLong.c_str(),
         static_cast<DWORD>((tooLong.size() + 1) * 2)},
        {"a list of strings", REG_MULTI_SZ, multiString, sizeof(multiString)},
        {"a number", REG_DWORD, &dword, sizeof(dword)},
    };
    PlantDriver();
    FileHolder holder(driver_);
    ASSERT_TRUE(holder.Holding());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlantImagePathBytes(c.type, c.data, c.size);
        const RegistryValue before = ImagePath();
        EXPECT_EQ(ScanAndRepair(), 1);
        EXPECT_EQ(ImagePath(), before);
    }

    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey);
    EXPECT_EQ(ScanAndRepair(), 1);
    UniqueKey key;
    EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, kServiceKey, KEY_READ, key), ERROR_FILE_NOT_FOUND)
        << "a missing service is not created";

    PlantService();
    EXPECT_EQ(ScanAndRepair(), 1);
    EXPECT_EQ(ImagePath(), Present(L"ORVIX", REG_SZ));
}

// The program as a user meets it: a first run finds the locked driver, asks
// for the second pass and the restart; the restart runs the second pass.
TEST_F(FakeNetBios, TwoPassesAcrossTheRestart) {
    const std::wstring log = LogFilePath(false);
    DeleteFileW(log.c_str());
    PlantImagePath(kOriginalPath, REG_EXPAND_SZ);
    PlantDriver();
    FileHolder holder(driver_);
    ASSERT_TRUE(holder.Holding());

    const program_windows::WindowedRun run =
        program_windows::RunFromWindow(L"\"" + ProgramUnderTest() + L"\"", 120000);
    EXPECT_TRUE(run.resultShown);
    EXPECT_EQ(run.prompts, 1) << "the restart prompt, answered No";
    EXPECT_EQ(ReadValue(kRunOnceKey, L"OrvixKillerTools"),
              Present(L"\"C:\\ProgramData\\quillanTools\\filemender.exe\" second_proc", REG_SZ));
    EXPECT_EQ(ImagePath(), Present(L"ORVIX" + kOriginalPath, REG_EXPAND_SZ));
    EXPECT_TRUE(FileExists(driver_));
    const std::string firstBlock = ReadWholeFile(log);
    EXPECT_NE(firstBlock.find(kTitleLine), std::string::npos) << firstBlock;

    holder.Release();
    ASSERT_EQ(RunAndWait(SystemDirectoryWithSlash() + L"wineboot.exe -r", 120000), 0u);

    EXPECT_FALSE(FileExists(driver_));
    EXPECT_EQ(ImagePath(), Present(kOriginalPath, REG_EXPAND_SZ));
    EXPECT_FALSE(ReadValue(kRunOnceKey, L"OrvixKillerTools").present);
    const std::string file = ReadWholeFile(log);
    ASSERT_EQ(file.rfind(firstBlock, 0), 0u) << "the second pass appends to the first block";
    const std::string secondBlock = file.substr(firstBlock.size());
    EXPECT_EQ(secondBlock.rfind("StartTime:", 0), 0u) << secondBlock;
    EXPECT_NE(secondBlock.find(kTitleLine), std::string::npos) << secondBlock;
}

} // namespace
