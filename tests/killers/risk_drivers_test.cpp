#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstring>

#include "app/run_log.h"
#include "journal/change_journal.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/catalog_enumeration.h"
#include "killers/catalog_fixture.h"
#include "killers/fake_net_cfg.h"
#include "killers/kill_risk_drivers.h"
#include "killers/module_processes.h"
#include "killers/net_component.h"
#include "killers/protected_system_file.h"
#include "killers/winsock_catalog_image.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace {

constexpr wchar_t kServices[] = L"SYSTEM\\CurrentControlSet\\Services\\";
const std::wstring kNetPort = std::wstring(kServices) + L"NetPortIDE";
const std::wstring kGroove = std::wstring(kServices) + L"GrooveSrv";

bool SetValue(const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
              DWORD size) {
    UniqueKey key;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           key.put(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
               ERROR_SUCCESS;
}

bool KeyExists(const std::wstring& path) {
    UniqueKey key;
    return OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ, key) == ERROR_SUCCESS;
}

// The files Windows will delete or move at its next start, lower case.
std::wstring PendingAtRestart() {
    UniqueKey key;
    std::wstring text;
    if (OpenKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                KEY_READ, key) != ERROR_SUCCESS)
        return text;
    std::vector<wchar_t> data(65536);
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return text;
    for (size_t i = 0; i < size / sizeof(wchar_t); ++i)
        text += data[i] ? towlower(data[i]) : L'|';
    return text;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = towlower(c);
    return text;
}

bool ProcessHasModule(DWORD processId, const wchar_t* name) {
    UniqueFile modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    for (BOOL more = modules && Module32FirstW(modules.get(), &module); more;
         more = Module32NextW(modules.get(), &module))
        if (lstrcmpiW(module.szModule, name) == 0)
            return true;
    return false;
}

// A process of the test's own with PATH loaded as a module.
UniqueHandle StartModuleHolder(const std::wstring& path,
                               const std::wstring& holder = L"C:\\tools\\module_holder.exe") {
    std::wstring commandLine = holder + L" " + path;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(holder.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return UniqueHandle();
    CloseHandle(info.hThread);
    UniqueHandle process(info.hProcess);
    const wchar_t* name = path.c_str() + path.rfind(L'\\') + 1;
    for (int i = 0; i < 200 && !ProcessHasModule(info.dwProcessId, name); ++i)
        Sleep(50);
    return process;
}

class RiskDrivers : public ::testing::Test {
protected:
    void SetUp() override {
        systemDir_ = SystemDirectoryWithSlash();
        TheRunLog().Assign(nullptr);
        ScriptFakeNetCfg({});
    }
    void TearDown() override {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kNetPort.c_str());
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kGroove.c_str());
    }

    std::wstring systemDir_;
};

TEST_F(RiskDrivers, CleanSystemLogsNothing) {
    CKillRiskDrivers module(CreateFakeNetCfg);
    EXPECT_EQ(module.Scan(), 0);
    EXPECT_EQ(module.Detect(), 0);
    EXPECT_EQ(TheRunLog().Text(), "");
}

TEST_F(RiskDrivers, WhatCountsAsAFinding) {
    // A directory under the driver's name is no driver.
    ASSERT_TRUE(CreateDirectoryW((systemDir_ + L"drivers\\netsflt.sys").c_str(), nullptr));
    struct Case {
        const char* what;
        DWORD type;
        std::vector<wchar_t> data; // written with exactly this many bytes
        bool finding;
    } cases[] = {
        {"empty string with its NUL", REG_SZ, {L'\0'}, true},
        {"expandable path", REG_EXPAND_SZ, {L'%', L'x', L'%', L'\0'}, true},
        {"zero bytes", REG_SZ, {}, false},
        {"not a string", REG_BINARY, {L'a', L'\0'}, false},
        {"longer than 512 characters", REG_SZ, std::vector<wchar_t>(513, L'a'), false},
    };
    cases[4].data.back() = L'\0';
    for (const Case& c : cases) {
        TheRunLog().Assign(nullptr);
        ASSERT_TRUE(SetValue(kNetPort + L"\\Parameters", L"ServiceDll", c.type, c.data.data(),
                             static_cast<DWORD>(c.data.size() * sizeof(wchar_t))));
        CKillRiskDrivers module(CreateFakeNetCfg);
        EXPECT_EQ(module.Scan(), c.finding ? 1 : 0) << c.what;
        EXPECT_EQ(TheRunLog().Text(),
                  c.finding ? "find SYSTEM\\CurrentControlSet\\Services\\NetPortIDE\\Parameters\r\n"
                            : "")
            << c.what;
    }
    RemoveDirectoryW((systemDir_ + L"drivers\\netsflt.sys").c_str());
}

// Every trace of the package, with the component registered: Scan names each,
// Repair removes what can go now and leaves the rest to the restart.
TEST_F(RiskDrivers, WholePackageIsRemovedNowOrAtTheRestart) {
    const std::wstring driver = systemDir_ + L"drivers\\netsflt.sys";
    const std::wstring netfe = systemDir_ + L"netfe32.dll";
    const std::wstring netpt = systemDir_ + L"netpt32.dll";
    const std::wstring foreign = systemDir_ + L"evilsp.dll";
    ASSERT_TRUE(WriteWholeFile(driver, "driver"));
    ASSERT_TRUE(CopyFileW(L"C:\\tools\\marker_dll.dll", netfe.c_str(), FALSE));
    ASSERT_TRUE(WriteWholeFile(netpt, "companion"));
    ASSERT_TRUE(WriteWholeFile(foreign, "provider"));
    ASSERT_TRUE(SeedCatalog({MakeItem(kPresentDll, kNetbiosGuid, 1001, 1),
                             MakeItem("%SystemRoot%\\system32\\evilsp.dll", kTcpGuid, 1002, 1)}));
    const wchar_t serviceDll[] = L"%SystemRoot%\\system32\\netfe32.dll";
    ASSERT_TRUE(SetValue(kNetPort + L"\\Parameters", L"ServiceDll", REG_EXPAND_SZ, serviceDll,
                         sizeof(serviceDll)));
    ASSERT_TRUE(SetValue(kNetPort + L"\\Enum", L"Count", REG_SZ, L"1", 4));
    ASSERT_TRUE(SetValue(kGroove + L"\\Parameters", L"ServiceDll", REG_SZ, L"", 2));
    UniqueHandle holder = StartModuleHolder(netfe);
    ASSERT_TRUE(holder);
    // Held open without delete sharing: can only go at the restart.
    UniqueFile inUse(CreateFileW(netpt.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(inUse);
    ScriptFakeNetCfg({S_OK, true, S_OK, NETCFG_S_REBOOT});

    CKillRiskDrivers module(CreateFakeNetCfg);
    ASSERT_EQ(module.Scan(), 1);
    EXPECT_EQ(TheRunLog().Text(),
              "find netsfls.sys\r\n"
              "find netfe32.dll\r\n"
              "find netpt32.dll\r\n"
              "find {E70f1AA0-AB8B-11CF-8CA3-00805F48A192}\r\n"
              "find SYSTEM\\CurrentControlSet\\Services\\NetPortIDE\\Parameters\r\n"
              "find SYSTEM\\CurrentControlSet\\Services\\GrooveSrv\\Parameters\r\n");
    TheRunLog().Assign(nullptr);
    EXPECT_EQ(module.Repair(), 1);
    EXPECT_EQ(TheRunLog().Text(), "C:\\windows\\system32\\evilsp.dll\r\n");

    EXPECT_EQ(WaitForSingleObject(holder.get(), 5000), WAIT_OBJECT_0) << "helper still running";
    EXPECT_FALSE(FileExists(foreign));
    EXPECT_FALSE(FileExists(netfe));
    EXPECT_TRUE(FileExists(netpt));
    // The driver goes only at the restart, once its component is removed.
    EXPECT_TRUE(FileExists(driver));
    EXPECT_EQ(FakeNetCfgOutcome().foundId, L"ms_netsflt");
    EXPECT_EQ(FakeNetCfgOutcome().userTokens, 1);
    // What could go now is gone; the rest waits for the restart.
    const std::wstring pending = PendingAtRestart();
    for (const std::wstring& path : {driver, netpt})
        EXPECT_NE(pending.find(Lower(path)), std::wstring::npos) << path;
    EXPECT_FALSE(KeyExists(kNetPort));
    EXPECT_FALSE(KeyExists(kGroove));
    // The provider whose DLL went is served by the default DLL again.
    const CatalogState catalog = ReadCatalog();
    ASSERT_EQ(catalog.items.size(), 2u);
    EXPECT_EQ(catalog::LibraryPath(catalog.items[1]), "%SystemRoot%\\system32\\mswsock.dll");

    // Each change was recorded in the run's journal before it was made.
    for (const auto& [kind, target] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"process", L"module_holder.exe"},
             {L"network-component", L"ms_netsflt"},
             {L"file", foreign},
             {L"file", netfe},
             {L"file-next-start", netpt},
             {L"file-next-start", driver},
             {L"key-dacl", L"HKLM\\" + kNetPort + L"\\Parameters"},
         }) {
        bool recorded = false;
        for (const JournalChange& change : JournalChanges())
            recorded = recorded || (change.kind == kind && Lower(change.target) == Lower(target));
        EXPECT_TRUE(recorded) << kind << " " << target;
    }

    inUse.reset();
    ASSERT_EQ(RunAndWait(systemDir_ + L"wineboot.exe -r", 120000), 0u);
    EXPECT_FALSE(FileExists(netpt));
    EXPECT_FALSE(FileExists(driver));
}

// Only a module of exactly the DLL's name counts, and a process Windows
// cannot run without is never ended: it keeps the DLL until the restart.
TEST_F(RiskDrivers, OnlyProcessesWithTheDllItselfAreEndedAndNeverASystemOne) {
    const std::wstring folder = L"C:\\tests\\holders";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring lookalike = folder + L"\\mynetfe32.dll";
    const std::wstring dll = folder + L"\\netfe32.dll";
    const std::wstring winlogon = folder + L"\\winlogon.exe";
    for (const std::wstring& copy : {lookalike, dll})
        ASSERT_TRUE(CopyFileW(L"C:\\tools\\marker_dll.dll", copy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(L"C:\\tools\\module_holder.exe", winlogon.c_str(), FALSE));
    UniqueHandle other = StartModuleHolder(lookalike);
    UniqueHandle system = StartModuleHolder(dll, winlogon);
    UniqueHandle carrier = StartModuleHolder(dll);
    ASSERT_TRUE(other && system && carrier);

    TerminateProcessesWithModule(L"netfe32.dll");

    EXPECT_EQ(WaitForSingleObject(carrier.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(other.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(system.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(TheRunLog().Text(),
              "system process keeps the DLL until the restart\twinlogon.exe\r\n");
    for (HANDLE process : {other.get(), system.get()}) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10000);
    }
    RemoveTestFolder(folder);
}

TEST_F(RiskDrivers, DriverStaysWhenItsComponentCannotBeRemoved) {
    const std::wstring driver = systemDir_ + L"drivers\\netsflt.sys";
    ASSERT_TRUE(WriteWholeFile(driver, "driver"));
    struct Case {
        const char* what;
        FakeNetCfgScript script;
    } cases[] = {
        {"not registered", {S_OK, false, S_OK, S_OK}},
        {"lock held elsewhere", {S_FALSE, true, S_OK, S_OK}},
        {"removal refused", {S_OK, true, E_FAIL, S_OK}},
    };
    for (const Case& c : cases) {
        ScriptFakeNetCfg(c.script);
        CKillRiskDrivers module(CreateFakeNetCfg);
        ASSERT_EQ(module.Scan(), 1) << c.what;
        module.Repair();
        EXPECT_TRUE(FileExists(driver)) << c.what;
        EXPECT_EQ(PendingAtRestart().find(Lower(driver)), std::wstring::npos) << c.what;
    }
    DeleteFileW(driver.c_str());
}

// A catalog entry is data anyone with the catalog can write: it must never
// cost the user a system file. The entry itself is repaired all the same.
TEST_F(RiskDrivers, SystemFileNamedByACatalogEntryStays) {
    const std::wstring wininet = systemDir_ + L"wininet.dll";
    ASSERT_TRUE(FileExists(wininet));
    ASSERT_TRUE(SeedCatalog({MakeItem("%SystemRoot%\\system32\\wininet.dll", kRsvpGuid, 1001, 1)}));
    CKillRiskDrivers module(CreateFakeNetCfg);
    ASSERT_EQ(module.Scan(), 1);
    module.Repair();
    EXPECT_NE(TheRunLog().Text().find("C:\\windows\\system32\\wininet.dll\r\n"), std::string::npos);
    EXPECT_TRUE(FileExists(wininet));
    EXPECT_EQ(PendingAtRestart().find(Lower(wininet)), std::wstring::npos);
    const CatalogState catalog = ReadCatalog();
    ASSERT_EQ(catalog.items.size(), 1u);
    EXPECT_EQ(catalog::LibraryPath(catalog.items[0]), "%SystemRoot%\\system32\\mswsock.dll");
}

// An elevated process inherits the user's environment, HKEY_CURRENT_USER's
// Environment key included, and its current folder from whoever started it.
// Neither judges the catalog: a user's SystemRoot leading to a folder of
// decoys, and a decoy mswsock.dll in the current folder, make no healthy entry
// look missing or foreign; the catalog, its DACLs and the decoys stay as they
// were, byte for byte.
TEST_F(RiskDrivers, TheUsersEnvironmentAndFoldersDoNotJudgeTheCatalog) {
    const std::wstring decoys = L"C:\\users\\Public\\sr";
    CreateDirectoryW(decoys.c_str(), nullptr);
    CreateDirectoryW((decoys + L"\\system32").c_str(), nullptr);
    const std::wstring underRoot = decoys + L"\\system32\\mswsock.dll";
    const std::wstring inCurrent = decoys + L"\\mswsock.dll";
    ASSERT_TRUE(WriteWholeFile(underRoot, "MZ decoy under the user's SystemRoot"));
    ASSERT_TRUE(WriteWholeFile(inCurrent, "MZ decoy in the current folder"));
    ASSERT_TRUE(SeedCatalog({
        MakeItem(kPresentDll, kTcpGuid, 1001, 1),
        MakeItem("mswsock.dll", kNetbiosGuid, 1002, 1),
        MakeItem(kPresentLsp, kForeignGuid, 1003, 0),
        MakeItem(kPresentDll, kNetbiosGuid, 1004, 2, {1003, 1001}),
    }));
    const std::map<std::wstring, std::wstring> dacls = KeyDacls();
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetEnvironmentVariableW(L"SystemRoot", decoys.c_str()));
    ASSERT_TRUE(SetCurrentDirectoryW(decoys.c_str()));

    CKillRiskDrivers module(CreateFakeNetCfg);
    const int found = module.Scan();
    if (found)
        module.Repair();
    WinsockCatalogImage image;
    const int loaded = image.LoadCatalog();
    const std::vector<size_t> missing = image.MissingIndices();
    image.RestoreCatalogSecurity();
    SetCurrentDirectoryW(current);
    SetEnvironmentVariableW(L"SystemRoot", L"C:\\windows");

    EXPECT_EQ(found, 0) << TheRunLog().Text();
    EXPECT_EQ(loaded, 1);
    EXPECT_TRUE(missing.empty());
    EXPECT_EQ(KeyDacls(), dacls);
    EXPECT_EQ(ReadWholeFile(underRoot), "MZ decoy under the user's SystemRoot");
    EXPECT_EQ(ReadWholeFile(inCurrent), "MZ decoy in the current folder");
    EXPECT_EQ(PendingAtRestart().find(L"users"), std::wstring::npos);
    const CatalogState catalog = ReadCatalog();
    EXPECT_EQ(DescribeAll(catalog.items),
              DescribeAll({MakeItem(kPresentDll, kTcpGuid, 1001, 1),
                           MakeItem("mswsock.dll", kNetbiosGuid, 1002, 1),
                           MakeItem(kPresentLsp, kForeignGuid, 1003, 0),
                           MakeItem(kPresentDll, kNetbiosGuid, 1004, 2, {1003, 1001})}));
    RemoveTestFolder(decoys);
}

// The program often runs from a folder its user writes: a DLL planted there
// under the name of one the checks load is never loaded.
TEST(ProtectedSystemFile, AnSfcDllBesideTheProgramIsNotLoaded) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring planted = self;
    planted.replace(planted.rfind(L'\\') + 1, std::wstring::npos, L"sfc.dll");
    ASSERT_TRUE(CopyFileW(L"C:\\tools\\marker_dll.dll", planted.c_str(), FALSE));
    // Wine would otherwise prefer its own sfc.dll to any file of that name.
    UniqueKey overrides;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, overrides.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(WriteString(overrides.get(), L"sfc", L"native,builtin"), ERROR_SUCCESS);
    (void)IsProtectedSystemFile(SystemDirectoryWithSlash() + L"kernel32.dll");
    const HMODULE sfc = GetModuleHandleW(L"sfc.dll");
    wchar_t loaded[MAX_PATH] = {};
    if (sfc)
        GetModuleFileNameW(sfc, loaded, MAX_PATH);
    EXPECT_NE(Lower(loaded), Lower(planted));
    EXPECT_EQ(GetModuleHandleW(planted.c_str()), nullptr);
    if (sfc) {
        EXPECT_EQ(Lower(loaded), Lower(SystemDirectoryWithSlash() + L"sfc.dll"));
    }
    RegDeleteValueW(overrides.get(), L"sfc");
    DeleteFileW(planted.c_str());
}

// A service key the removal cannot delete keeps the DACL it had: it decides
// which DLL the service loads.
TEST_F(RiskDrivers, ServiceKeyThatSurvivesGetsItsDaclBack) {
    const std::wstring parameters = kGroove + L"\\Parameters";
    ASSERT_TRUE(SetValue(parameters, L"ServiceDll", REG_SZ, L"x.dll", 12));
    ASSERT_TRUE(SetValue(parameters + L"\\Locked", L"v", REG_SZ, L"", 2));
    ASSERT_TRUE(SetKeyDacl(parameters + L"\\Locked", L"D:P(A;;KR;;;SY)"));
    ASSERT_TRUE(SetKeyDacl(parameters, L"D:P(A;CI;KR;;;BA)(A;CI;KA;;;SY)"));
    const std::map<std::wstring, std::wstring> before = KeyDacls(kGroove);

    CKillRiskDrivers module(CreateFakeNetCfg);
    ASSERT_EQ(module.Scan(), 1);
    module.Repair();
    EXPECT_TRUE(KeyExists(parameters));
    EXPECT_EQ(KeyDacls(kGroove), before);
    SetKeyDacl(parameters + L"\\Locked", L"D:(A;;KA;;;BA)");
    SetKeyDacl(parameters, L"D:(A;CI;KA;;;BA)");
}

TEST(CatalogEnumeration, ListsEntriesThatAreNotWhollyDefault) {
    const std::string systemMswsock = "C:\\windows\\system32\\mswsock.dll";
    ASSERT_TRUE(SeedCatalog({
        MakeItem(systemMswsock, kTcpGuid, 1, 1),                             // default: not listed
        MakeItem("%SystemRoot%\\system32\\MSWSOCK.DLL", kNetbiosGuid, 2, 1), // nor this
        MakeItem(kMissingLsp, kTcpGuid, 3, 1),       // a standard GUID, foreign DLL
        MakeItem(systemMswsock, kForeignGuid, 4, 0), // a foreign GUID, default DLL
        MakeItem("mswsock.dll", kForeignGuid, 5, 0), // found along the search path
    }));
    CatalogEntryList list;
    ASSERT_EQ(EnumerateNonDefaultCatalogEntries(list), 1);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, L"C:\\windows\\system32\\gone_lsp.dll");
    EXPECT_EQ(list[0].guidText, L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}");
    EXPECT_EQ(list[0].partlyDefault, 1);
    EXPECT_EQ(list[1].path, L"C:\\windows\\system32\\mswsock.dll");
    EXPECT_EQ(list[1].partlyDefault, 1);
    EXPECT_EQ(Lower(list[2].path), L"c:\\windows\\system32\\mswsock.dll");
    for (const CatalogEntryInfo& info : list) {
        EXPECT_EQ(info.valid, 1);
        EXPECT_EQ(info.fullyDefault, 0);
    }
    std::wstring path;
    EXPECT_EQ(FindCatalogEntryByGuid(L"{e70f1aa0-ab8b-11cf-8ca3-00805f48a192}", list, &path), 1);
    EXPECT_EQ(path, L"C:\\windows\\system32\\gone_lsp.dll");
    EXPECT_EQ(FindCatalogEntryByGuid(L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", list, &path), 0);
}

TEST(NetComponentRemoval, EverythingTakenIsGivenBack) {
    struct Case {
        const char* what;
        FakeNetCfgScript script;
        bool removed;
    } cases[] = {
        {"removed", {S_OK, true, S_OK, S_OK}, true},
        {"removed, restart pending", {S_OK, true, NETCFG_S_REBOOT, NETCFG_S_REBOOT}, true},
        {"lock held elsewhere", {S_FALSE, true, S_OK, S_OK}, false},
        {"lock failed", {E_FAIL, true, S_OK, S_OK}, false},
        {"not installed", {S_OK, false, S_OK, S_OK}, false},
        {"removal refused", {S_OK, true, E_ACCESSDENIED, S_OK}, false},
        {"apply failed", {S_OK, true, S_OK, E_FAIL}, false},
    };
    for (const Case& c : cases) {
        ScriptFakeNetCfg(c.script);
        EXPECT_EQ(UninstallNetComponent(L"ms_netsflt", CreateFakeNetCfg), c.removed) << c.what;
        const FakeNetCfgRecord& record = FakeNetCfgOutcome();
        EXPECT_EQ(record.references, 0) << c.what;
        EXPECT_FALSE(record.locked) << c.what;
        EXPECT_FALSE(record.initialised) << c.what;
        EXPECT_EQ(record.lockClient, L"DriverHelper") << c.what;
        EXPECT_EQ(record.applied,
                  c.script.lock == S_OK && c.script.installed && SUCCEEDED(c.script.deinstall))
            << c.what;
    }
}

} // namespace
