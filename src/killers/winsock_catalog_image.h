#pragma once

#include <string>
#include <vector>

#include "killers/catalog_item.h"
#include "killers/key_dacl_ledger.h"
#include "killers/machine_registry.h"
#include "killers/registry_tree.h"

// Where the image reads and writes the catalog, below HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kWinsockParametersPath[] =
    L"SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters";
inline constexpr wchar_t kProtocolCatalogPath[] =
    L"SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9";
inline constexpr wchar_t kCatalogEntriesPath[] =
    L"SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_"
    L"Entries";

// The Winsock provider catalog held in memory: loaded, its entries with a
// missing provider DLL repaired, and written back whole. Call LoadCatalog,
// RepairMissingProviders, WriteBackCatalog (only after a load succeeded) and
// RestoreCatalogSecurity, in this order; each returns 1 on success, 0 on
// failure.
//
// The catalog is rewritten only when an entry must change and every repair
// succeeded (WriteBackCatalog returns 1 without writing when nothing changed,
// 0 when a repair failed). Whatever happens, the catalog afterwards is either
// the one loaded, byte for byte, or the complete new one, and every key DACL the image replaced to
// get access is put back exactly (by RestoreCatalogSecurity, or at the latest when the image ends).
class WinsockCatalogImage {
public:
    explicit WinsockCatalogImage(MachineRegistry& registry = SystemMachineRegistry())
        : registry_(registry), ledger_(registry) {}
    WinsockCatalogImage(const WinsockCatalogImage&) = delete;
    WinsockCatalogImage& operator=(const WinsockCatalogImage&) = delete;

    // Entries whose DLL is one of PATHS (full paths, any letter case) are
    // repaired as if that DLL were missing: a DLL the caller deleted, or one
    // it must keep but no longer let serve the catalog. Call before loading.
    void WithdrawProviderDlls(std::vector<std::wstring> paths) { withdrawn_ = std::move(paths); }

    int LoadCatalog();
    int RepairMissingProviders();
    int WriteBackCatalog();
    int RestoreCatalogSecurity();

    // Where a run was cut off while it rewrote the catalog (a copy of the old
    // catalog is marked as begun and was never unmarked), puts that catalog
    // back, byte for byte, and drops the copy; a copy never marked is only
    // dropped. Called at the start of a run, before anything else changes.
    // 1 when nothing is left to put back.
    int PutBackCutOffRewrite();

    const std::vector<catalog::Item>& Items() const { return items_; }
    // Indices of the items whose DLL was missing at load time, in order.
    const std::vector<size_t>& MissingIndices() const { return missing_; }

private:
    // Opens the catalog tree to the administrators, once per image, after
    // remembering every DACL it replaces.
    bool GrantAccess();
    bool EnsureFullAccess(const std::wstring& path);
    // Deletes the entries and writes ENTRIES and COUNT in their place.
    bool ReplaceEntries(const KeyTree& entries, const MachineRegistry::Value& count);
    catalog::FileProbe ProbeDll(const std::string& libraryPath) const;
    // Keeps ENTRIES and COUNT, the catalog about to be replaced, for the next
    // run, and marks the copy whole; false, keeping nothing, on any failure.
    bool KeepForTheNextRun(const KeyTree& entries, const MachineRegistry::Value& count);
    void DropKeptCatalog();

    MachineRegistry& registry_;
    KeyDaclLedger ledger_;
    std::vector<catalog::Item> items_;
    std::vector<catalog::Item> loadedItems_;
    std::vector<size_t> missing_;
    std::vector<std::wstring> withdrawn_;
    bool loaded_ = false;
    bool repairFailed_ = false;
    bool accessGranted_ = false;
};
