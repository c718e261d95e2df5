#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "killers/machine_registry.h"

// Replaces key DACLs to get access, and puts every one of them back: each key's
// DACL is remembered before this ledger first changes it (or before the caller
// deletes and recreates the key), and RestoreAll sets it again on every
// remembered key that exists. The destructor restores whatever
// is still outstanding, so that no path out leaves a key weaker than it was.
class KeyDaclLedger {
public:
    explicit KeyDaclLedger(MachineRegistry& registry) : registry_(registry) {}
    ~KeyDaclLedger() { RestoreAll(); }
    KeyDaclLedger(const KeyDaclLedger&) = delete;
    KeyDaclLedger& operator=(const KeyDaclLedger&) = delete;

    // Records the key's DACL as it is now, unless it is recorded already.
    bool Remember(const std::wstring& path);
    // The same for the key and every key beneath it.
    bool RememberTree(const std::wstring& path);

    // Remembers the key's DACL, then replaces it by DACL (SDDL).
    bool Replace(const std::wstring& path, const std::wstring& dacl);
    // The same for the key and then every key beneath it; false at the first
    // key that fails, the keys before it stay replaced (and remembered).
    bool ReplaceTree(const std::wstring& path, const std::wstring& dacl);

    // Sets every remembered DACL again, parents before their sub-keys; a key
    // that no longer exists is skipped. True when every existing key got its DACL
    // back; the ledger is then empty.
    bool RestoreAll();

    bool Empty() const { return saved_.empty(); }

private:
    MachineRegistry& registry_;
    std::vector<std::pair<std::wstring, std::wstring>> saved_;
};

// The DACL that gives the administrators all key access, inherited by sub-keys
// (and, for the second, by values too): what the module sets to get access.
// Never every user: while it is in place nobody else may write the key.
inline constexpr wchar_t kAdministratorsOnlyDacl[] = L"D:P(A;CI;KA;;;BA)";
inline constexpr wchar_t kAdministratorsOnlyInheritedDacl[] = L"D:P(A;OICI;KA;;;BA)";
