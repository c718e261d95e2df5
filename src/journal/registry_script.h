#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a registry script (the registry editor's "REGEDIT4" or "Windows
// Registry Editor Version 5.00" text) sets, so that each value can be recorded
// before the editor imports it. Only the forms that set keys and values are
// read: a script that deletes, or has a line of any other form, is refused as
// a whole. Kept free of windows.h so that it can be fuzzed.

struct ScriptValue {
    std::wstring key;  // as written in the script: "HKEY_LOCAL_MACHINE\..."
    std::wstring name; // empty for the default value ("@")
    unsigned long type = 0;
    std::vector<unsigned char> bytes; // the data as the editor writes it
};

struct RegistryScript {
    std::vector<std::wstring> keys; // in order of first appearance
    std::vector<ScriptValue> values;
};

// TEXT is the script already decoded to UTF-16 (BOM removed).
std::optional<RegistryScript> ParseRegistryScript(std::wstring_view text);
