#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The registry calls through which the network module reads and changes keys
// below HKEY_LOCAL_MACHINE (the Winsock catalog, the service keys), each on a
// key path. Every registry change the module makes goes through here, and from
// here through the change journal, which records it before it is made.
//
// A seam: tests put a wrapper in that makes any one call fail, because Wine
// gives no way to make a real registry call fail at a chosen step.
class MachineRegistry {
public:
    virtual ~MachineRegistry() = default;

    // Opens the key with ACCESS and closes it again: can the key be used so?
    virtual LONG ProbeKey(const std::wstring& path, REGSAM access) = 0;
    // The names of the key's direct sub-keys, in enumeration order.
    virtual LONG SubKeys(const std::wstring& path, std::vector<std::wstring>& names) = 0;

    struct Value {
        std::wstring name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;

        bool operator==(const Value& other) const {
            return name == other.name && type == other.type && data == other.data;
        }
    };
    // One value of at most MAXBYTES bytes (a longer one is ERROR_MORE_DATA).
    virtual LONG ReadValue(const std::wstring& path, const wchar_t* name, DWORD maxBytes,
                           Value& value) = 0;
    // Every value of the key.
    virtual LONG ReadValues(const std::wstring& path, std::vector<Value>& values) = 0;
    // The key's DACL in SDDL form ("D:...").
    virtual LONG ReadDacl(const std::wstring& path, std::wstring& dacl) = 0;

    // Changes.
    virtual LONG CreateKey(const std::wstring& path) = 0;
    virtual LONG WriteValue(const std::wstring& path, const Value& value) = 0;
    virtual LONG DeleteValue(const std::wstring& path, const wchar_t* name) = 0;
    // Deletes a key that has no sub-keys.
    virtual LONG DeleteLeafKey(const std::wstring& path) = 0;
    // Replaces the key's DACL by DACL (SDDL, "D:..." or "D:P...").
    virtual LONG WriteDacl(const std::wstring& path, const std::wstring& dacl) = 0;
};

// The real registry.
MachineRegistry& SystemMachineRegistry();
