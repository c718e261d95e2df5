#include "killers/catalog_enumeration.h"

#include <cstring>

#include "common/network_path.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/catalog_item.h"
#include "killers/catalog_paths.h"

namespace {

constexpr wchar_t kParametersPath[] = L"System\\CurrentControlSet\\Services\\Winsock2\\Parameters";

constexpr const wchar_t* kDefaultGuids[] = {
    L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}",
    L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}",
    L"{8D5F1830-C273-11CF-95C8-00805F48A192}",
};
constexpr const wchar_t* kDefaultDlls[] = {L"mswsock.dll", L"rsvpsp.dll", L"msafd.dll",
                                           L"ws2_64.dll"};

bool SameText(const std::wstring& a, const wchar_t* b) {
    return lstrcmpiW(a.c_str(), b) == 0;
}

// Environment references expanded as the system defines them (the text kept
// when that fails); a path without a drive is looked for in the system's own
// folders only. A path on a network is kept as it stands, never opened.
std::wstring ResolveProviderPath(const std::string& stored) {
    const std::optional<std::string> expanded = ExpandPercentVariables(stored);
    std::wstring path = FromActiveCodePage(expanded && !expanded->empty() ? *expanded : stored);
    if (!path.empty() && !IsNetworkPath(path) && (path.size() < 2 || path[1] != L':')) {
        const std::wstring found = SearchDll(path);
        if (!found.empty())
            path = found;
    }
    return path;
}

GUID ToGuid(const catalog::ProviderGuid& id) {
    GUID guid;
    guid.Data1 = id.data1;
    guid.Data2 = id.data2;
    guid.Data3 = id.data3;
    std::memcpy(guid.Data4, id.data4.data(), sizeof(guid.Data4));
    return guid;
}

} // namespace

int IsDefaultProvider(const std::wstring& guidText, const std::wstring& path, int& fullyDefault) {
    bool defaultGuid = false;
    for (const wchar_t* guid : kDefaultGuids)
        defaultGuid = defaultGuid || SameText(guidText, guid);
    bool defaultPath = false;
    const std::wstring systemDir = SystemDirectoryWithSlash();
    if (!systemDir.empty())
        for (const wchar_t* dll : kDefaultDlls)
            defaultPath = defaultPath || SameText(path, (systemDir + dll).c_str());
    fullyDefault = defaultGuid && defaultPath ? 1 : 0;
    return defaultPath || defaultGuid ? 1 : 0;
}

int EnumerateNonDefaultCatalogEntries(CatalogEntryList& list) {
    UniqueKey parameters;
    std::wstring current;
    if (OpenKey(HKEY_LOCAL_MACHINE, kParametersPath, KEY_READ, parameters) != ERROR_SUCCESS ||
        ReadString(parameters.get(), L"Current_Protocol_Catalog", 260, current) != ERROR_SUCCESS)
        return 0;
    const std::wstring entriesPath =
        std::wstring(kParametersPath) + L"\\" + current + L"\\Catalog_Entries";
    UniqueKey entries;
    if (OpenKey(HKEY_LOCAL_MACHINE, entriesPath.c_str(), KEY_READ, entries) != ERROR_SUCCESS)
        return 0;

    for (DWORD index = 0;; ++index) {
        wchar_t name[520];
        DWORD nameLength = ARRAYSIZE(name);
        if (RegEnumKeyExW(entries.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        UniqueKey entry;
        catalog::Item item = {};
        DWORD size = catalog::kItemSize;
        if (OpenKey(entries.get(), name, KEY_READ, entry) != ERROR_SUCCESS ||
            RegQueryValueExW(entry.get(), L"PackedCatalogItem", nullptr, nullptr, item.data(),
                             &size) != ERROR_SUCCESS)
            break;
        CatalogEntryInfo info;
        info.path = ResolveProviderPath(catalog::LibraryPath(item));
        const catalog::ProviderGuid id = catalog::ProviderId(item);
        const std::string guidText = catalog::GuidText(id);
        info.guidText.assign(guidText.begin(), guidText.end());
        info.guid = ToGuid(id);
        info.partlyDefault = IsDefaultProvider(info.guidText, info.path, info.fullyDefault);
        info.valid = 1;
        if (!info.fullyDefault)
            list.push_back(std::move(info));
    }
    return 1;
}

int FindCatalogEntryByGuid(const wchar_t* guidText, const CatalogEntryList& list,
                           std::wstring* path) {
    for (const CatalogEntryInfo& info : list) {
        if (info.valid && SameText(info.guidText, guidText)) {
            if (path)
                *path = info.path;
            return 1;
        }
    }
    return 0;
}
