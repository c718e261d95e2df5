#include "sysfile/winlogon_shell.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "journal/change_journal.h"
#include "common/registry.h"
#include "common/system_directories.h"

namespace {

constexpr wchar_t kWinlogonKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
// A longer value cannot be read and counts as empty.
constexpr size_t kValueChars = 512;

bool ValueNames(HKEY key, const wchar_t* name, const wchar_t* program) {
    std::wstring value;
    if (ReadString(key, name, kValueChars, value) != ERROR_SUCCESS)
        value.clear();
    return StrStrIW(value.c_str(), program) != nullptr;
}

// Each value is written on its own, so that one failing write cannot keep
// the other from being tried.
void WriteWinlogonValue(const wchar_t* name, const std::wstring& data) {
    (void)JournaledSetString({HKEY_LOCAL_MACHINE, kWinlogonKey}, name, data);
}

} // namespace

bool WinlogonShellIsSound() {
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, kWinlogonKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS)
        return false;
    return ValueNames(key.get(), L"Userinit", L"userinit.exe") &&
           ValueNames(key.get(), L"Shell", L"explorer.exe");
}

void RepairWinlogonShell() {
    const std::wstring systemDirectory = SystemDirectoryWithSlash();
    if (!systemDirectory.empty())
        WriteWinlogonValue(L"Userinit", systemDirectory + L"userinit.exe");
    const std::wstring windowsDirectory = WindowsDirectoryWithSlash();
    if (!windowsDirectory.empty())
        WriteWinlogonValue(L"Shell", windowsDirectory + L"explorer.exe");
}
