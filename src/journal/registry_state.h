#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "journal/change_journal.h"

// What the journal needs to know about registry keys and values: their state
// as text, and a key tree exported to, and rebuilt from, a byte form.

// "HKLM\SOFTWARE\...": the root's short name (with "(64)" or "(32)" for a
// view) and the path. Empty for a root this layer does not know.
std::wstring RegistryKeyText(const RegistryKeyPath& key);
std::optional<RegistryKeyPath> RegistryKeyOfText(const std::wstring& text);

LONG OpenRegistryKey(const RegistryKeyPath& key, REGSAM access, UniqueKey& opened);

// Values larger than this are not recorded (and so not changed).
constexpr DWORD kLargestRecordedValue = 4u << 20;

struct ValueState {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
};

// The value's state; nothing when it cannot be read (no access, too large).
// A missing key or value is a state: absent.
std::optional<ValueState> ReadValueState(const RegistryKeyPath& key, const wchar_t* name);

// "absent" or "value:<type>:<hex>", and back.
std::wstring ValueStateText(const ValueState& state);
std::optional<ValueState> ValueStateOfText(const std::wstring& text);

bool RegistryKeyExists(const RegistryKeyPath& key);
// A key with neither values nor subkeys.
bool RegistryKeyIsEmpty(const RegistryKeyPath& key);

// The whole tree below KEY (values of every type, subkeys, each key's DACL),
// in the journal's line format. Nothing when any part cannot be read, or when
// it is larger than kLargestRecordedTree. Links are exported as links are not
// followed: a key that is a link is refused.
constexpr size_t kLargestRecordedTree = 16u << 20;
std::optional<std::string> ExportKeyTree(const RegistryKeyPath& key);

// Recreates a tree that ExportKeyTree produced at KEY, which must not exist.
LONG ImportKeyTree(const RegistryKeyPath& key, const std::string& exported);

// Deletes KEY with everything beneath it, never following a link.
LONG DeleteKeyTree(const RegistryKeyPath& key);

// The key's DACL as SDDL, and replacing it from SDDL.
LONG ReadKeyDaclText(const RegistryKeyPath& key, std::wstring& sddl);
LONG WriteKeyDaclText(const RegistryKeyPath& key, const std::wstring& sddl);
