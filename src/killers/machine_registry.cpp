#include "killers/machine_registry.h"

#include <sddl.h>

#include "journal/change_journal.h"
#include "common/registry.h"
#include "common/unique_resource.h"

namespace {

// What the catalog holds is small; anything beyond these is not a catalog
// this tool will copy around.
constexpr DWORD kMaxSubKeys = 1024;
constexpr DWORD kMaxValues = 1024;
constexpr DWORD kMaxValueBytes = 64 * 1024;
constexpr DWORD kMaxDaclBytes = 64 * 1024;
constexpr DWORD kNameChars = 1024;

class SystemRegistry final : public MachineRegistry {
public:
    LONG ProbeKey(const std::wstring& path, REGSAM access) override {
        UniqueKey key;
        return OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), access, key);
    }

    LONG SubKeys(const std::wstring& path, std::vector<std::wstring>& names) override {
        UniqueKey key;
        LONG error = OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ENUMERATE_SUB_KEYS, key);
        if (error != ERROR_SUCCESS)
            return error;
        std::vector<std::wstring> found;
        for (DWORD index = 0;; ++index) {
            if (index == kMaxSubKeys)
                return ERROR_MORE_DATA;
            wchar_t name[kNameChars];
            DWORD length = kNameChars;
            error =
                RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (error == ERROR_NO_MORE_ITEMS)
                break;
            if (error != ERROR_SUCCESS)
                return error;
            found.emplace_back(name, length);
        }
        names = std::move(found);
        return ERROR_SUCCESS;
    }

    LONG ReadValue(const std::wstring& path, const wchar_t* name, DWORD maxBytes,
                   Value& value) override {
        UniqueKey key;
        LONG error = OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_QUERY_VALUE, key);
        if (error != ERROR_SUCCESS)
            return error;
        Value read;
        read.name = name ? name : L"";
        read.data.resize(maxBytes);
        DWORD size = maxBytes;
        error = RegQueryValueExW(key.get(), name, nullptr, &read.type, read.data.data(), &size);
        if (error != ERROR_SUCCESS)
            return error;
        read.data.resize(size);
        value = std::move(read);
        return ERROR_SUCCESS;
    }

    LONG ReadValues(const std::wstring& path, std::vector<Value>& values) override {
        UniqueKey key;
        LONG error = OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_QUERY_VALUE, key);
        if (error != ERROR_SUCCESS)
            return error;
        std::vector<Value> found;
        for (DWORD index = 0;; ++index) {
            if (index == kMaxValues)
                return ERROR_MORE_DATA;
            wchar_t name[kNameChars];
            DWORD nameLength = kNameChars;
            Value value;
            value.data.resize(kMaxValueBytes);
            DWORD size = kMaxValueBytes;
            error = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &value.type,
                                  value.data.data(), &size);
            if (error == ERROR_NO_MORE_ITEMS)
                break;
            if (error != ERROR_SUCCESS)
                return error;
            value.name.assign(name, nameLength);
            value.data.resize(size);
            found.push_back(std::move(value));
        }
        values = std::move(found);
        return ERROR_SUCCESS;
    }

    // Read from the key's own descriptor, so that its control flags (a DACL
    // protected from inheritance) come back as they are.
    LONG ReadDacl(const std::wstring& path, std::wstring& dacl) override {
        UniqueKey key;
        LONG error = OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), READ_CONTROL, key);
        if (error != ERROR_SUCCESS)
            return error;
        DWORD size = 0;
        error = RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return error == ERROR_SUCCESS ? ERROR_INVALID_DATA : error;
        if (size == 0 || size > kMaxDaclBytes)
            return ERROR_INVALID_DATA;
        std::vector<BYTE> descriptor(size);
        error = RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &size);
        if (error != ERROR_SUCCESS)
            return error;
        wchar_t* text = nullptr;
        if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
                descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
            return static_cast<LONG>(GetLastError());
        dacl = text;
        LocalFree(text);
        return ERROR_SUCCESS;
    }

    LONG CreateKey(const std::wstring& path) override {
        UniqueKey key;
        return JournaledCreateKey(Key(path), KEY_ALL_ACCESS, key);
    }

    LONG WriteValue(const std::wstring& path, const Value& value) override {
        if (value.data.size() > kMaxValueBytes)
            return ERROR_INVALID_PARAMETER;
        return JournaledSetValue(Key(path), value.name.c_str(), value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size()));
    }

    LONG DeleteValue(const std::wstring& path, const wchar_t* name) override {
        return JournaledDeleteValue(Key(path), name);
    }

    LONG DeleteLeafKey(const std::wstring& path) override {
        std::vector<std::wstring> names;
        const LONG error = SubKeys(path, names);
        if (error != ERROR_SUCCESS)
            return error;
        return names.empty() ? JournaledDeleteKeyTree(Key(path)) : ERROR_ACCESS_DENIED;
    }

    LONG WriteDacl(const std::wstring& path, const std::wstring& dacl) override {
        LONG error = JournaledSetKeyDacl(Key(path), dacl);
        if (error != ERROR_SUCCESS)
            return error;
        // The journal's write goes through the inheritance-aware call, which
        // not every system honours for a DACL protected from inheritance: the
        // recorded DACL is set once more exactly as it stands.
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl.c_str(), SDDL_REVISION_1,
                                                                  &descriptor, nullptr))
            return static_cast<LONG>(GetLastError());
        UniqueKey key;
        error = OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), WRITE_DAC, key);
        if (error == ERROR_SUCCESS)
            error = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
        return error;
    }

private:
    static RegistryKeyPath Key(const std::wstring& path) { return {HKEY_LOCAL_MACHINE, path, 0}; }
};

} // namespace

MachineRegistry& SystemMachineRegistry() {
    static SystemRegistry registry;
    return registry;
}
