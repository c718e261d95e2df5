#include "sysfile/registry_fixture.h"

#include <shlwapi.h>

#include "common/registry.h"
#include "common/unique_resource.h"

namespace {

bool CreateKey(HKEY root, const std::wstring& subKey, UniqueKey& key) {
    return RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS;
}

} // namespace

bool SetStringValue(HKEY root, const std::wstring& subKey, const wchar_t* name,
                    const std::wstring& data) {
    UniqueKey key;
    return CreateKey(root, subKey, key) && WriteString(key.get(), name, data) == ERROR_SUCCESS;
}

bool SetDwordValue(HKEY root, const std::wstring& subKey, const wchar_t* name, DWORD data) {
    UniqueKey key;
    return CreateKey(root, subKey, key) && WriteDword(key.get(), name, data) == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const std::wstring& subKey, const wchar_t* name) {
    UniqueKey key;
    if (OpenKey(root, subKey.c_str(), KEY_ALL_ACCESS, key) != ERROR_SUCCESS)
        return true;
    const LONG error = RegDeleteValueW(key.get(), name);
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegistryTree(HKEY root, const std::wstring& subKey) {
    SHDeleteKeyW(root, subKey.c_str());
    return !RegistryKeyExists(root, subKey);
}

bool RegistryKeyExists(HKEY root, const std::wstring& subKey) {
    UniqueKey key;
    return OpenKey(root, subKey.c_str(), KEY_READ, key) == ERROR_SUCCESS;
}

std::wstring StringValue(HKEY root, const std::wstring& subKey, const wchar_t* name, bool* found) {
    std::wstring value;
    UniqueKey key;
    const bool read = OpenKey(root, subKey.c_str(), KEY_READ, key) == ERROR_SUCCESS &&
                      ReadString(key.get(), name, 4096, value) == ERROR_SUCCESS;
    if (found != nullptr)
        *found = read;
    return read ? value : std::wstring();
}

DWORD DwordValue(HKEY root, const std::wstring& subKey, const wchar_t* name) {
    DWORD value = ~0u;
    UniqueKey key;
    if (OpenKey(root, subKey.c_str(), KEY_READ, key) != ERROR_SUCCESS ||
        ReadDword(key.get(), name, value) != ERROR_SUCCESS)
        return ~0u;
    return value;
}
