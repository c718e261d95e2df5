#include "killers/kill_risk_drivers.h"

#include <windows.h>

#include "app/run_log.h"
#include "app/stop_request.h"
#include "common/narrow_text.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/catalog_enumeration.h"
#include "killers/error_mode_guard.h"
#include "killers/key_dacl_ledger.h"
#include "killers/machine_registry.h"
#include "killers/module_processes.h"
#include "killers/network_module_changes.h"
#include "killers/protected_system_file.h"
#include "killers/registry_tree.h"
#include "killers/winsock_catalog_image.h"

namespace {

constexpr wchar_t kComponentId[] = L"ms_netsflt";
constexpr wchar_t kProcessMarker[] = L"netfe32.dll";
constexpr const wchar_t* kCompanionDlls[] = {L"netfe32.dll", L"netpt32.dll"};
constexpr const wchar_t* kWatchedGuids[] = {L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}",
                                            L"{E70f1AA0-AB8B-11CF-8CA3-00805F48A192}"};
constexpr wchar_t kServicesRoot[] = L"SYSTEM\\CurrentControlSet\\Services";
constexpr wchar_t kNetPortParameters[] =
    L"SYSTEM\\CurrentControlSet\\Services\\NetPortIDE\\Parameters";
constexpr wchar_t kGrooveParameters[] =
    L"SYSTEM\\CurrentControlSet\\Services\\GrooveSrv\\Parameters";

bool IsFile(const std::wstring& path) {
    ErrorModeGuard quiet;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path) {
    ErrorModeGuard quiet;
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A "ServiceDll" value that names something: a string type, data that fits 512
// characters, an even byte count, ending in its NUL. An empty string stored
// with its NUL counts; zero bytes of data do not.
bool HasServiceDll(const wchar_t* parametersPath) {
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, parametersPath, KEY_READ, key) != ERROR_SUCCESS)
        return false;
    wchar_t data[512];
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.get(), L"ServiceDll", nullptr, &type, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS)
        return false;
    return (type == REG_SZ || type == REG_EXPAND_SZ) && size != 0 && size % 2 == 0 &&
           data[size / 2 - 1] == L'\0';
}

void LogLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    TheRunLog().Append(line);
}

void RepairWinsockCatalog(std::vector<std::wstring> withdrawn) {
    WinsockCatalogImage image;
    image.WithdrawProviderDlls(std::move(withdrawn));
    if (image.LoadCatalog()) {
        image.RepairMissingProviders();
        image.WriteBackCatalog();
    }
    image.RestoreCatalogSecurity();
}

// The DLLs that catalog entries with a watched GUID name, logged; each is
// deleted unless it is a system file that must stay. Returns them all: the
// catalog repair points their entries back at the default DLL either way.
std::vector<std::wstring> RemoveForeignProviderDlls() {
    std::vector<std::wstring> foreign;
    CatalogEntryList entries;
    EnumerateNonDefaultCatalogEntries(entries);
    for (const wchar_t* guid : kWatchedGuids) {
        std::wstring path;
        if (!FindCatalogEntryByGuid(guid, entries, &path))
            continue;
        LogLine(ToNarrow(path));
        if (IsFile(path) && !IsProtectedSystemFile(path))
            DeleteNowOrAtRestart(path);
        foreign.push_back(path);
    }
    return foreign;
}

// Deletes the two services. Their parameter keys are opened to the
// administrators first (never to everyone: a user who could write a
// ServiceDll there while the deletion runs would have a DLL of their own
// loaded as the system); a key that survives gets its own DACL back.
void RemoveServices() {
    MachineRegistry& registry = SystemMachineRegistry();
    KeyDaclLedger ledger(registry);
    ledger.Replace(kGrooveParameters, kAdministratorsOnlyInheritedDacl);
    ledger.Replace(kNetPortParameters, kAdministratorsOnlyInheritedDacl);
    for (const wchar_t* service : {L"GrooveSrv", L"NetPortIDE"})
        (void)DeleteKeyTree(registry, std::wstring(kServicesRoot) + L"\\" + service);
    ledger.RestoreAll();
}

} // namespace

int CKillRiskDrivers::Scan() {
    int found = 0;
    const std::wstring systemDir = SystemDirectoryWithSlash();
    if (systemDir.empty())
        return 0;

    const std::wstring driver = systemDir + L"drivers\\netsflt.sys";
    if (IsFile(driver))
        driverPath = driver;
    if (!driverPath.empty()) {
        LogLine("find netsfls.sys");
        found = 1;
    }
    for (const wchar_t* dll : kCompanionDlls) {
        if (Exists(systemDir + dll)) {
            LogLine("find " + ToNarrow(dll));
            found = 1;
        }
    }

    CatalogEntryList entries;
    EnumerateNonDefaultCatalogEntries(entries);
    for (const wchar_t* guid : kWatchedGuids) {
        if (FindCatalogEntryByGuid(guid, entries, nullptr)) {
            LogLine("find " + ToNarrow(guid));
            found = 1;
        }
    }

    for (const wchar_t* parameters : {kNetPortParameters, kGrooveParameters}) {
        if (HasServiceDll(parameters)) {
            LogLine("find " + ToNarrow(parameters));
            found = 1;
        }
    }
    return found;
}

int CKillRiskDrivers::Repair() {
    // The provider DLLs and the catalog entries that name them go together:
    // a stop never falls between them. It may fall between the steps below,
    // each whole in itself; what is left is found again by the next run.
    RepairWinsockCatalog(RemoveForeignProviderDlls());
    if (StopRequested())
        return 1;

    if (!driverPath.empty() && UninstallNetComponent(kComponentId, netCfg_))
        DeleteAtRestart(driverPath);
    if (StopRequested())
        return 1;

    // The processes go before their DLLs, so the DLLs are free to delete.
    TerminateProcessesWithModule(kProcessMarker);
    Sleep(100);
    const std::wstring systemDir = SystemDirectoryWithSlash();
    if (!systemDir.empty())
        for (const wchar_t* dll : kCompanionDlls)
            DeleteNowOrAtRestart(systemDir + dll);
    if (StopRequested())
        return 1;

    RemoveServices();
    return 1;
}
