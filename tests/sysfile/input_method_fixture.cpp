#include "sysfile/input_method_fixture.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "app/run_log.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/registry_fixture.h"
#include "sysfile/requested_windows_version.h"
#include "support/test_files.h"

const std::wstring kCtfKey = L"Software\\Microsoft\\CTF";
const std::wstring kLangBarKey = L"Software\\Microsoft\\CTF\\LangBar";
const std::wstring kMsutbKey = L"Software\\Microsoft\\CTF\\MSUTB";
const std::wstring kLayoutsKey = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\";
const wchar_t kPresentImeFile[] = L"fixtureime.ime";
const wchar_t kMissingImeFile[] = L"missingime.ime";

namespace {

const std::wstring kPreloadKey = L"Keyboard Layout\\Preload";

void InstallLayout(const wchar_t* id, const wchar_t* layoutFile, const wchar_t* imeFile) {
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, kLayoutsKey + id, L"Layout File", layoutFile));
    if (imeFile != nullptr) {
        ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, kLayoutsKey + id, L"IME File", imeFile));
    }
}

// Calls ACTION with a handle to every running process whose image is NAME.
template <class Action> void ForEachProcessNamed(const wchar_t* name, Action action) {
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, name) != 0)
            continue;
        UniqueHandle process(
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process)
            action(process.get());
    }
}

} // namespace

void InputMethodFixture::SetUp() {
    ExpectRequestedWindowsVersion();
    TheRunLog().Assign(nullptr);
    InstallLayout(L"00000409", L"KBDUS.DLL", nullptr);
    InstallLayout(L"00000407", L"KBDGR.DLL", nullptr);
    InstallLayout(L"00000804", L"KBDUS.DLL", nullptr);
    InstallLayout(L"E0010804", L"kbdus.dll", kPresentImeFile);
    InstallLayout(L"E0020804", L"kbdus.dll", kMissingImeFile);
    ASSERT_TRUE(WriteWholeFile(SystemDirectoryWithSlash() + kPresentImeFile, "ime"));
    MakeHealthy();
}

void InputMethodFixture::TearDown() {
    EndTextServices();
    WaitForScriptImports();
    TheRunLog().Assign(nullptr);
}

void InputMethodFixture::MakeHealthy() {
    ASSERT_TRUE(SetDwordValue(HKEY_CURRENT_USER, kMsutbKey, L"ShowDeskBand", 1));
    ASSERT_TRUE(SetDwordValue(HKEY_CURRENT_USER, kLangBarKey, L"ShowStatus", 4));
    ASSERT_TRUE(DeleteRegistryValue(HKEY_CURRENT_USER, kCtfKey, L"Disable Thread Input Manager"));
    SetPreload({L"00000409", L"E0010804"});
}

void InputMethodFixture::SetPreload(const std::vector<std::wstring>& ids) {
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, kPreloadKey));
    int number = 1;
    for (const std::wstring& id : ids)
        ASSERT_TRUE(
            SetStringValue(HKEY_CURRENT_USER, kPreloadKey, std::to_wstring(number++).c_str(), id));
}

std::map<std::wstring, std::wstring> InputMethodFixture::PreloadValues() {
    std::map<std::wstring, std::wstring> values;
    for (int number = 1; number <= 16; ++number) {
        bool found = false;
        const std::wstring name = std::to_wstring(number);
        const std::wstring data = StringValue(HKEY_CURRENT_USER, kPreloadKey, name.c_str(), &found);
        if (found)
            values[name] = data;
    }
    return values;
}

DWORD InputMethodFixture::StartTextServices(const std::wstring& path) {
    if (!FileExists(path) && !CopyFileW(L"C:\\tools\\idle_process.exe", path.c_str(), TRUE)) {
        ADD_FAILURE() << "idle helper not copied";
        return 0;
    }
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << "text services stand-in not started";
        return 0;
    }
    CloseHandle(info.hThread);
    started_.emplace_back(info.hProcess);
    // Its image path can be read only once the loader has run in it; until
    // then the code under test would not see it as running.
    wchar_t image[MAX_PATH] = {};
    for (int tries = 0;
         tries < 200 && GetModuleFileNameExW(info.hProcess, nullptr, image, MAX_PATH) == 0; ++tries)
        Sleep(50);
    return info.dwProcessId;
}

// Ends every process whose image is named ctfmon.exe, also those the code
// under test started.
void InputMethodFixture::EndTextServices() {
    ForEachProcessNamed(L"ctfmon.exe", [](HANDLE process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    });
    started_.clear();
}

// The repair imports its script without waiting; a late import would bring
// back keys that the next test removes.
void InputMethodFixture::WaitForScriptImports() {
    ForEachProcessNamed(L"regedit.exe",
                        [](HANDLE process) { WaitForSingleObject(process, 10000); });
}
