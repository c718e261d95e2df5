#include "killers/catalog_fixture.h"

#include <sddl.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

#include "common/registry.h"
#include "common/unique_resource.h"
#include "killers/winsock_catalog_image.h"

namespace {

void PutU32(catalog::Item& item, size_t offset, uint32_t value) {
    std::memcpy(item.data() + offset, &value, sizeof(value));
}

// Gives the administrators the key and everything below it.
void UnlockTree(const std::wstring& path) {
    SetKeyDacl(path, L"D:(A;CI;KA;;;BA)");
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ENUMERATE_SUB_KEYS, key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        UnlockTree(path + L"\\" + name);
    }
}

void ForceDeleteTree(const std::wstring& path) {
    UnlockTree(path);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

void CollectDacls(const std::wstring& path, std::map<std::wstring, std::wstring>& dacls) {
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), READ_CONTROL, key) != ERROR_SUCCESS) {
        dacls[path] = L"(unreadable)";
        return;
    }
    BYTE descriptor[4096];
    DWORD size = sizeof(descriptor);
    wchar_t* sddl = nullptr;
    if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor, &size) ==
            ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
        dacls[path] = sddl;
        LocalFree(sddl);
    } else {
        dacls[path] = L"(no DACL)";
    }
    UniqueKey children;
    // Sub-keys of a key the administrators cannot list show as missing.
    if (OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ENUMERATE_SUB_KEYS, children) !=
        ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(children.get(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        CollectDacls(path + L"\\" + name, dacls);
    }
}

} // namespace

std::string Describe(const catalog::Item& item) {
    uint32_t checksum = 2166136261u;
    for (unsigned char byte : item)
        checksum = (checksum ^ byte) * 16777619u;
    std::string text = catalog::LibraryPath(item) + " " +
                       catalog::GuidText(catalog::ProviderId(item)) + " id " +
                       std::to_string(catalog::CatalogEntryId(item)) + " len " +
                       std::to_string(catalog::ChainLen(item)) + " [";
    for (int i = 0; i < catalog::kChainEntryCount; ++i)
        text += std::to_string(catalog::ChainEntry(item, i)) + (i + 1 < 7 ? "," : "]");
    return text + " sum " + std::to_string(checksum);
}

std::vector<std::string> DescribeAll(const std::vector<catalog::Item>& items) {
    std::vector<std::string> texts;
    for (const catalog::Item& item : items)
        texts.push_back(Describe(item));
    return texts;
}

catalog::Item WithChain(catalog::Item item, int32_t chainLen, std::vector<uint32_t> chain) {
    PutU32(item, catalog::kChainLenOffset, static_cast<uint32_t>(chainLen));
    chain.resize(catalog::kChainEntryCount, 0);
    for (int i = 0; i < catalog::kChainEntryCount; ++i)
        PutU32(item, catalog::kChainEntriesOffset + 4 * i, chain[i]);
    return item;
}

catalog::Item RepairedBase(catalog::Item item, const std::string& path) {
    catalog::SetLibraryPath(item, path);
    return WithChain(item, catalog::ChainLen(item), {});
}

catalog::Item MakeItem(const std::string& path, const char* guidText, uint32_t entryId,
                       int32_t chainLen, std::vector<uint32_t> chain) {
    catalog::Item item;
    for (size_t i = 0; i < item.size(); ++i)
        item[i] = static_cast<unsigned char>(i * 7 + entryId);
    catalog::SetLibraryPath(item, path);
    const catalog::ProviderGuid guid = *catalog::ParseGuid(guidText);
    PutU32(item, catalog::kProviderIdOffset, guid.data1);
    std::memcpy(item.data() + catalog::kProviderIdOffset + 4, &guid.data2, 2);
    std::memcpy(item.data() + catalog::kProviderIdOffset + 6, &guid.data3, 2);
    std::memcpy(item.data() + catalog::kProviderIdOffset + 8, guid.data4.data(), 8);
    PutU32(item, catalog::kCatalogEntryIdOffset, entryId);
    return WithChain(item, chainLen, std::move(chain));
}

bool SetKeyDacl(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    UniqueKey key;
    bool set = OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), WRITE_DAC, key) == ERROR_SUCCESS &&
               RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    return set;
}

bool SeedCatalog(const std::vector<catalog::Item>& items,
                 const std::vector<std::string>& extraKeys) {
    ForceDeleteTree(kProtocolCatalogPath);
    UniqueKey parameters, catalogKey;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kWinsockParametersPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, parameters.put(), nullptr) != ERROR_SUCCESS ||
        WriteString(parameters.get(), L"Current_Protocol_Catalog", L"Protocol_Catalog9") !=
            ERROR_SUCCESS ||
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProtocolCatalogPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, catalogKey.put(), nullptr) != ERROR_SUCCESS ||
        WriteDword(catalogKey.get(), L"Num_Catalog_Entries", static_cast<DWORD>(items.size())) !=
            ERROR_SUCCESS)
        return false;
    std::vector<std::pair<std::string, const catalog::Item*>> keys;
    // Named directly: a test may seed more entries than the program can name.
    for (size_t i = 0; i < items.size(); ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "%012u", static_cast<unsigned>(i + 1));
        keys.emplace_back(name, &items[i]);
    }
    const catalog::Item filler = MakeItem(kPresentDll, kTcpGuid, 99, 1);
    for (const std::string& extra : extraKeys)
        keys.emplace_back(extra, &filler);
    for (const auto& [name, item] : keys) {
        const std::wstring path =
            std::wstring(kCatalogEntriesPath) + L"\\" + std::wstring(name.begin(), name.end());
        UniqueKey entry;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, entry.put(), nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(entry.get(), L"PackedCatalogItem", 0, REG_BINARY, item->data(),
                           catalog::kItemSize) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

CatalogState ReadCatalog() {
    UnlockTree(kProtocolCatalogPath);
    CatalogState state;
    UniqueKey catalogKey, entries;
    if (OpenKey(HKEY_LOCAL_MACHINE, kProtocolCatalogPath, KEY_READ, catalogKey) == ERROR_SUCCESS)
        (void)ReadDword(catalogKey.get(), L"Num_Catalog_Entries", state.count);
    if (OpenKey(HKEY_LOCAL_MACHINE, kCatalogEntriesPath, KEY_READ, entries) != ERROR_SUCCESS)
        return state;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(entries.get(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        state.keyNames.emplace_back(name, length);
        catalog::Item item = {};
        DWORD size = catalog::kItemSize;
        UniqueKey entry;
        if (OpenKey(entries.get(), name, KEY_READ, entry) == ERROR_SUCCESS)
            RegQueryValueExW(entry.get(), L"PackedCatalogItem", nullptr, nullptr, item.data(),
                             &size);
        state.items.push_back(item);
    }
    return state;
}

std::map<std::wstring, std::wstring> KeyDacls(const std::wstring& root) {
    std::map<std::wstring, std::wstring> dacls;
    CollectDacls(root.empty() ? std::wstring(kWinsockParametersPath) : root, dacls);
    return dacls;
}

LONG FailingRegistry::ProbeKey(const std::wstring& path, REGSAM access) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().ProbeKey(path, access);
}
LONG FailingRegistry::SubKeys(const std::wstring& path, std::vector<std::wstring>& names) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().SubKeys(path, names);
}
LONG FailingRegistry::ReadValue(const std::wstring& path, const wchar_t* name, DWORD maxBytes,
                                Value& value) {
    return Fail() ? ERROR_ACCESS_DENIED
                  : SystemMachineRegistry().ReadValue(path, name, maxBytes, value);
}
LONG FailingRegistry::ReadValues(const std::wstring& path, std::vector<Value>& values) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().ReadValues(path, values);
}
LONG FailingRegistry::ReadDacl(const std::wstring& path, std::wstring& dacl) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().ReadDacl(path, dacl);
}
LONG FailingRegistry::CreateKey(const std::wstring& path) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().CreateKey(path);
}
LONG FailingRegistry::WriteValue(const std::wstring& path, const Value& value) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().WriteValue(path, value);
}
LONG FailingRegistry::DeleteValue(const std::wstring& path, const wchar_t* name) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().DeleteValue(path, name);
}
LONG FailingRegistry::DeleteLeafKey(const std::wstring& path) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().DeleteLeafKey(path);
}
LONG FailingRegistry::WriteDacl(const std::wstring& path, const std::wstring& dacl) {
    return Fail() ? ERROR_ACCESS_DENIED : SystemMachineRegistry().WriteDacl(path, dacl);
}
