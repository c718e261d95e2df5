#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "killers/machine_registry.h"

// Replaces key DACLs to get access, and puts every one of them back: each key's
// DACL is remembered, byte for byte, before this ledger first changes it (or
// before the caller deletes and recreates the key), and RestoreAll sets it
// again on every remembered key that exists. The destructor restores whatever
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

    // Remembers the key's DACL, then replaces it by DESCRIPTOR's.
    bool Replace(const std::wstring& path, const std::vector<BYTE>& descriptor);
    // The same for the key and then every key beneath it; false at the first
    // key that fails, the keys before it stay replaced (and remembered).
    bool ReplaceTree(const std::wstring& path, const std::vector<BYTE>& descriptor);

    // Sets every remembered DACL again, deepest keys first; a key that no
    // longer exists is skipped. True when every existing key got its DACL
    // back; the ledger is then empty.
    bool RestoreAll();

    bool Empty() const { return saved_.empty(); }

private:
    MachineRegistry& registry_;
    std::vector<std::pair<std::wstring, std::vector<BYTE>>> saved_;
};

// A self-relative security descriptor whose DACL holds one access-allowed ACE
// with all key access for the well-known SID KIND, with ACEFLAGS. Empty when it
// cannot be built.
std::vector<BYTE> FullControlDescriptor(WELL_KNOWN_SID_TYPE kind, BYTE aceFlags);
