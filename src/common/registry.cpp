#include "common/registry.h"

#include <climits>
#include <vector>

LONG OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueKey& key) {
    HKEY opened = nullptr;
    const LONG error = RegOpenKeyExW(root, subKey, 0, access, &opened);
    if (error == ERROR_SUCCESS)
        key.reset(opened);
    return error;
}

LONG OpenOrCreateKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueKey& key) {
    HKEY opened = nullptr;
    const LONG error =
        RegCreateKeyExW(root, subKey, 0, nullptr, 0, access, nullptr, &opened, nullptr);
    if (error == ERROR_SUCCESS)
        key.reset(opened);
    return error;
}

LONG ReadDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof(data);
    const LONG error =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (error != ERROR_SUCCESS)
        return error;
    if (type != REG_DWORD || size != sizeof(data))
        return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

LONG ReadString(HKEY key, const wchar_t* name, size_t maxChars, std::wstring& value) {
    DWORD type = REG_NONE;
    return ReadString(key, name, maxChars, value, type);
}

LONG ReadString(HKEY key, const wchar_t* name, size_t maxChars, std::wstring& value,
                DWORD& valueType) {
    if (maxChars == 0 || maxChars > ULONG_MAX / sizeof(wchar_t))
        return ERROR_INVALID_PARAMETER;
    std::vector<wchar_t> buffer(maxChars, L'\0');
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(maxChars * sizeof(wchar_t));
    const LONG error =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (error != ERROR_SUCCESS)
        return error;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    const size_t chars = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < chars && buffer[length] != L'\0')
        ++length;
    value.assign(buffer.data(), length);
    valueType = type;
    return ERROR_SUCCESS;
}

LONG WriteString(HKEY key, const wchar_t* name, std::wstring_view value) {
    if (value.size() >= ULONG_MAX / sizeof(wchar_t))
        return ERROR_INVALID_PARAMETER;
    const std::wstring terminated(value);
    const DWORD bytes = static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()),
                          bytes);
}

LONG WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}
