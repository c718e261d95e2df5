#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/registry_fixture.h"
#include "sysfile/winlogon_shell.h"

namespace {

const std::wstring kWinlogon = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

class WinlogonShell : public ::testing::Test {
protected:
    void SetValues(const std::wstring& userinit, const std::wstring& shell) {
        ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", userinit));
        ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", shell));
    }
    // The other values of the key (Wine keeps a few) are not touched by tests.
    void TearDown() override { SetValues(genuineUserinit_, L"explorer.exe"); }

    const std::wstring genuineUserinit_ = SystemDirectoryWithSlash() + L"userinit.exe";
};

TEST_F(WinlogonShell, CheckAcceptsOnlyTheGenuinePrograms) {
    const std::wstring sys = SystemDirectoryWithSlash();
    const std::wstring tooLong = sys + L"userinit.exe," + std::wstring(520, L'x');
    struct Case {
        const wchar_t* what;
        std::wstring userinit;
        std::wstring shell;
        bool sound;
    } cases[] = {
        {L"usual path with trailing comma", sys + L"userinit.exe,", L"Explorer.exe", true},
        {L"further programs after it", sys + L"USERINIT.EXE,C:\\apps\\helper.exe,", L"explorer.exe",
         true},
        {L"bare names", L"userinit.exe", L"C:\\WINDOWS\\EXPLORER.EXE", true},
        {L"another userinit program", L"C:\\apps\\userinlt.exe", L"explorer.exe", false},
        {L"another shell", sys + L"userinit.exe,", L"C:\\apps\\shell.exe", false},
        {L"empty shell", sys + L"userinit.exe,", L"", false},
        // 512 characters are read at most; a longer value counts as empty.
        {L"userinit longer than the buffer", tooLong, L"explorer.exe", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetValues(c.userinit, c.shell);
        EXPECT_EQ(WinlogonShellIsSound(), c.sound);
    }
}

TEST_F(WinlogonShell, MissingValueFailsTheCheck) {
    SetValues(genuineUserinit_, L"explorer.exe");
    ASSERT_TRUE(DeleteRegistryValue(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit"));
    EXPECT_FALSE(WinlogonShellIsSound());
}

TEST_F(WinlogonShell, RepairWritesBothFullPathsWithoutTrailingComma) {
    SetValues(SystemDirectoryWithSlash() + L"userinit.exe,C:\\apps\\dropper.exe,",
              L"C:\\apps\\shell.exe");
    RepairWinlogonShell();

    UniqueKey key;
    ASSERT_EQ(OpenKey(HKEY_LOCAL_MACHINE, kWinlogon.c_str(), KEY_READ, key), ERROR_SUCCESS);
    for (const auto& [name, expected] :
         {std::pair<const wchar_t*, std::wstring>{L"Userinit", genuineUserinit_},
          {L"Shell", WindowsDirectoryWithSlash() + L"explorer.exe"}}) {
        SCOPED_TRACE(testing::Message() << name);
        wchar_t data[600];
        memset(data, 0xcc, sizeof(data));
        DWORD type = REG_NONE;
        DWORD size = sizeof(data);
        ASSERT_EQ(
            RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        // The terminating zero is part of the stored data.
        ASSERT_EQ(size, (expected.size() + 1) * sizeof(wchar_t));
        EXPECT_EQ(std::wstring(data, expected.size()), expected);
        EXPECT_EQ(data[expected.size()], L'\0');
    }
    EXPECT_TRUE(WinlogonShellIsSound());
}

TEST_F(WinlogonShell, MissingKeyFailsAndRepairWritesNothing) {
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kWinlogon));
    EXPECT_FALSE(WinlogonShellIsSound());
    RepairWinlogonShell();
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kWinlogon));
}

} // namespace
