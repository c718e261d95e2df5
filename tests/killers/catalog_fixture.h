#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "killers/catalog_item.h"
#include "killers/machine_registry.h"

// A catalog item as tests write them: library path, provider GUID text, catalog
// entry id, ChainLen and chain entries; the rest of the 888 bytes is a pattern
// that must come back unchanged.
catalog::Item MakeItem(const std::string& path, const char* guidText, uint32_t entryId,
                       int32_t chainLen, std::vector<uint32_t> chain = {});

// A readable summary of items for comparisons: path, GUID, id, chain and a
// checksum of all 888 bytes.
std::string Describe(const catalog::Item& item);
std::vector<std::string> DescribeAll(const std::vector<catalog::Item>& items);

// ITEM with the path a base provider repair writes, its chain entries zeroed.
catalog::Item RepairedBase(catalog::Item item, const std::string& path);
// ITEM with ChainLen and chain entries set.
catalog::Item WithChain(catalog::Item item, int32_t chainLen, std::vector<uint32_t> chain);

// Replaces the whole catalog (Protocol_Catalog9 and the current-catalog value)
// by ITEMS, numbered from 1; EXTRAKEYS are further entry keys beyond the count.
bool SeedCatalog(const std::vector<catalog::Item>& items,
                 const std::vector<std::string>& extraKeys = {});

// The catalog as it stands: the entry key names in order, each key's item, and
// the count. Opens every catalog key to the administrators first, so read the
// DACLs before.
struct CatalogState {
    DWORD count = ~0u;
    std::vector<std::wstring> keyNames;
    std::vector<catalog::Item> items;
    bool operator==(const CatalogState& other) const {
        return count == other.count && keyNames == other.keyNames && items == other.items;
    }
};
CatalogState ReadCatalog();

// Every key's DACL, as SDDL, below and including ROOT (by default the WinSock2
// Parameters key).
std::map<std::wstring, std::wstring> KeyDacls(const std::wstring& root = L"");
bool SetKeyDacl(const std::wstring& path, const wchar_t* sddl);

// Paths of DLLs that exist or not under Wine, as catalog items write them.
inline const std::string kPresentDll = "%SystemRoot%\\system32\\mswsock.dll";
inline const std::string kPresentLsp = "%SystemRoot%\\system32\\wininet.dll";
inline const std::string kMissingLsp = "%SystemRoot%\\system32\\gone_lsp.dll";
inline const std::string kMissingBase = "%SystemRoot%\\system32\\gone_base.dll";

inline const char kTcpGuid[] = "{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}";
inline const char kNetbiosGuid[] = "{8D5F1830-C273-11CF-95C8-00805F48A192}";
inline const char kRsvpGuid[] = "{9D60A9E0-337A-11D0-BD88-0000C082E69A}";
inline const char kForeignGuid[] = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";

// Makes one chosen call fail (number FAILAT, counting every call from 1);
// all others go to the real registry. With DIES, that call and every later
// one fail: the registry ends as a process killed at that call leaves it.
class FailingRegistry final : public MachineRegistry {
public:
    explicit FailingRegistry(int failAt, bool dies = false) : failAt_(failAt), dies_(dies) {}
    int Calls() const { return calls_; }
    bool Failed() const { return failAt_ <= calls_; }

    LONG ProbeKey(const std::wstring& path, REGSAM access) override;
    LONG SubKeys(const std::wstring& path, std::vector<std::wstring>& names) override;
    LONG ReadValue(const std::wstring& path, const wchar_t* name, DWORD maxBytes,
                   Value& value) override;
    LONG ReadValues(const std::wstring& path, std::vector<Value>& values) override;
    LONG ReadDacl(const std::wstring& path, std::wstring& dacl) override;
    LONG CreateKey(const std::wstring& path) override;
    LONG WriteValue(const std::wstring& path, const Value& value) override;
    LONG DeleteValue(const std::wstring& path, const wchar_t* name) override;
    LONG DeleteLeafKey(const std::wstring& path) override;
    LONG WriteDacl(const std::wstring& path, const std::wstring& dacl) override;

private:
    bool Fail() { return dies_ ? ++calls_ >= failAt_ : ++calls_ == failAt_; }
    int failAt_;
    bool dies_;
    int calls_ = 0;
};
