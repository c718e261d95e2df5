#include "killers/winsock_catalog_image.h"

#include <cstring>
#include <string>

#include "killers/catalog_paths.h"
#include "killers/registry_tree.h"
#include "killers/windows_version_code.h"

namespace {

constexpr wchar_t kEntryCountValue[] = L"Num_Catalog_Entries";
// While a rewrite is under way, the catalog as it was is kept here, marked
// complete once it is all there and unmarked as soon as the new catalog is
// all there: a run cut off in between leaves the mark for the next run.
constexpr wchar_t kRewriteBackupPath[] = L"SOFTWARE\\tolva\\filemender\\CatalogRewrite";
constexpr wchar_t kRewriteBackupEntriesPath[] =
    L"SOFTWARE\\tolva\\filemender\\CatalogRewrite\\Catalog_Entries";
constexpr wchar_t kRewriteBegunValue[] = L"RewriteBegun";
constexpr wchar_t kItemValue[] = L"PackedCatalogItem";

std::wstring EntryPath(const std::string& name) {
    return std::wstring(kCatalogEntriesPath) + L"\\" + std::wstring(name.begin(), name.end());
}

MachineRegistry::Value CountValue(DWORD count) {
    MachineRegistry::Value value;
    value.name = kEntryCountValue;
    value.type = REG_DWORD;
    value.data.resize(sizeof(count));
    std::memcpy(value.data.data(), &count, sizeof(count));
    return value;
}

} // namespace

catalog::FileProbe WinsockCatalogImage::ProbeDll(const std::string& libraryPath) const {
    std::wstring found;
    const catalog::FileProbe probe = ProbeProviderDll(libraryPath, &found);
    if (probe == catalog::FileProbe::Found)
        for (const std::wstring& withdrawn : withdrawn_)
            if (lstrcmpiW(found.c_str(), withdrawn.c_str()) == 0)
                return catalog::FileProbe::Missing;
    return probe;
}

bool WinsockCatalogImage::GrantAccess() {
    if (accessGranted_)
        return false;
    accessGranted_ = true;
    // The administrators, not every interactive user: while the DACL is
    // replaced, nobody else may slip a provider of their own into the catalog.
    return ledger_.ReplaceTree(kProtocolCatalogPath, kAdministratorsOnlyDacl);
}

bool WinsockCatalogImage::EnsureFullAccess(const std::wstring& path) {
    if (registry_.ProbeKey(path, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        return true;
    return GrantAccess() && registry_.ProbeKey(path, KEY_ALL_ACCESS) == ERROR_SUCCESS;
}

int WinsockCatalogImage::LoadCatalog() {
    loaded_ = false;
    items_.clear();
    missing_.clear();
    if (!ledger_.Remember(kProtocolCatalogPath) || !EnsureFullAccess(kProtocolCatalogPath))
        return 0;

    MachineRegistry::Value count;
    if (registry_.ReadValue(kProtocolCatalogPath, kEntryCountValue, sizeof(DWORD), count) !=
            ERROR_SUCCESS ||
        count.type != REG_DWORD || count.data.size() != sizeof(DWORD))
        return 0;
    DWORD entryCount = 0;
    std::memcpy(&entryCount, count.data.data(), sizeof(entryCount));
    // Entry keys can only be named up to 49: a larger catalog is never rewritten.
    if (entryCount > static_cast<DWORD>(catalog::kMaxEntries))
        return 0;

    std::vector<catalog::Item> items(entryCount);
    for (DWORD number = 1; number <= entryCount; ++number) {
        const std::optional<std::string> name = catalog::EntryName(static_cast<int>(number));
        if (!name)
            return 0;
        const std::wstring path = EntryPath(*name);
        MachineRegistry::Value item;
        // Only a binary item of exactly the known size is understood; anything
        // else leaves the catalog as it is.
        if (!EnsureFullAccess(path) ||
            registry_.ReadValue(path, kItemValue, catalog::kItemSize, item) != ERROR_SUCCESS ||
            item.type != REG_BINARY || item.data.size() != catalog::kItemSize)
            return 0;
        std::memcpy(items[number - 1].data(), item.data.data(), catalog::kItemSize);
    }

    std::optional<std::vector<size_t>> missing = catalog::FindMissingProviders(
        items, [this](const std::string& path) { return ProbeDll(path); });
    if (!missing)
        return 0;
    loadedItems_ = items;
    items_ = std::move(items);
    missing_ = std::move(*missing);
    loaded_ = true;
    repairFailed_ = false;
    return 1;
}

int WinsockCatalogImage::RepairMissingProviders() {
    if (!loaded_)
        return 0;
    int versionCode = 0;
    if (!GetWindowsVersionCode(versionCode))
        return 0;
    const bool repaired = catalog::RepairMissingProviders(
        items_, missing_, versionCode, [this](const std::string& path) { return ProbeDll(path); });
    repairFailed_ = !repaired;
    return repaired ? 1 : 0;
}

bool WinsockCatalogImage::ReplaceEntries(const KeyTree& entries,
                                         const MachineRegistry::Value& count) {
    const LONG deleted = DeleteKeyTree(registry_, kCatalogEntriesPath);
    return (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) &&
           WriteKeyTree(registry_, kCatalogEntriesPath, entries) == ERROR_SUCCESS &&
           registry_.WriteValue(kProtocolCatalogPath, count) == ERROR_SUCCESS;
}

int WinsockCatalogImage::WriteBackCatalog() {
    if (!loaded_)
        return 0;
    // A repair that failed half-way leaves the catalog as it was, and one
    // that changed nothing leaves it untouched: every rewrite is a moment in
    // which the catalog is incomplete.
    if (repairFailed_)
        return 0;
    if (items_ == loadedItems_)
        return 1;

    KeyTree newEntries;
    DWORD written = 0;
    for (const catalog::Item& item : items_) {
        if (catalog::IsEmptied(item))
            continue;
        const std::optional<std::string> name = catalog::EntryName(static_cast<int>(++written));
        if (!name)
            return 0;
        KeyTree entry;
        entry.values.push_back({kItemValue, REG_BINARY, {item.begin(), item.end()}});
        newEntries.subKeys.emplace_back(std::wstring(name->begin(), name->end()), std::move(entry));
    }

    // Everything needed to put the catalog back is read, and full access to
    // every key of it secured, before the first change, so that neither the
    // new entries nor the old ones put back can be refused half-way. Only
    // where the administrators lack it do they get the tree (each key's DACL
    // remembered): a DACL replaced is one a cut-off run could leave behind.
    const auto fullAccessEverywhere = [this] {
        return VisitKeyTree(registry_, kCatalogEntriesPath, [this](const std::wstring& key) {
            return registry_.ProbeKey(key, KEY_ALL_ACCESS) == ERROR_SUCCESS;
        });
    };
    KeyTree oldEntries;
    MachineRegistry::Value oldCount;
    if (!ledger_.RememberTree(kCatalogEntriesPath) ||
        (!fullAccessEverywhere() && !(GrantAccess() && fullAccessEverywhere())) ||
        ReadKeyTree(registry_, kCatalogEntriesPath, oldEntries) != ERROR_SUCCESS ||
        registry_.ReadValue(kProtocolCatalogPath, kEntryCountValue, sizeof(DWORD), oldCount) !=
            ERROR_SUCCESS)
        return 0;

    if (!KeepForTheNextRun(oldEntries, oldCount))
        return 0;
    const bool replaced = ReplaceEntries(newEntries, CountValue(written));
    // Never a catalog half written: the one loaded goes back, byte for byte.
    for (int attempt = 0; !replaced && attempt < 3; ++attempt)
        if (ReplaceEntries(oldEntries, oldCount))
            break;
    DropKeptCatalog();
    return replaced ? 1 : 0;
}

bool WinsockCatalogImage::KeepForTheNextRun(const KeyTree& entries,
                                            const MachineRegistry::Value& count) {
    MachineRegistry::Value begun = CountValue(1);
    begun.name = kRewriteBegunValue;
    const LONG stale = DeleteKeyTree(registry_, kRewriteBackupPath);
    if ((stale == ERROR_SUCCESS || stale == ERROR_FILE_NOT_FOUND) &&
        WriteKeyTree(registry_, kRewriteBackupEntriesPath, entries) == ERROR_SUCCESS &&
        registry_.WriteValue(kRewriteBackupPath, count) == ERROR_SUCCESS &&
        registry_.WriteValue(kRewriteBackupPath, begun) == ERROR_SUCCESS)
        return true;
    (void)DeleteKeyTree(registry_, kRewriteBackupPath);
    return false;
}

void WinsockCatalogImage::DropKeptCatalog() {
    // The mark goes first, in one write: a copy cut off half-deleted is
    // never taken for the catalog.
    if (registry_.DeleteValue(kRewriteBackupPath, kRewriteBegunValue) == ERROR_SUCCESS)
        (void)DeleteKeyTree(registry_, kRewriteBackupPath);
}

int WinsockCatalogImage::PutBackCutOffRewrite() {
    MachineRegistry::Value begun;
    const LONG marked =
        registry_.ReadValue(kRewriteBackupPath, kRewriteBegunValue, sizeof(DWORD), begun);
    if (marked == ERROR_FILE_NOT_FOUND) {
        // No rewrite began, or the copy was cut off before it was whole and
        // the catalog never touched: only the copy goes.
        const LONG stale = DeleteKeyTree(registry_, kRewriteBackupPath);
        return stale == ERROR_SUCCESS || stale == ERROR_FILE_NOT_FOUND ? 1 : 0;
    }
    KeyTree entries;
    MachineRegistry::Value count;
    if (marked != ERROR_SUCCESS ||
        ReadKeyTree(registry_, kRewriteBackupEntriesPath, entries) != ERROR_SUCCESS ||
        registry_.ReadValue(kRewriteBackupPath, kEntryCountValue, sizeof(DWORD), count) !=
            ERROR_SUCCESS ||
        !ReplaceEntries(entries, count))
        return 0;
    DropKeptCatalog();
    return 1;
}

int WinsockCatalogImage::RestoreCatalogSecurity() {
    items_.clear();
    items_.shrink_to_fit();
    loadedItems_.clear();
    loaded_ = false;
    return ledger_.RestoreAll() ? 1 : 0;
}
