#include "app/machine_id.h"

#include <windows.h>
#include <objbase.h>

#include "common/unique_resource.h"

std::wstring HexUpper(const unsigned char* bytes, size_t count) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::wstring LoadOrCreateMachineId() {
    UniqueKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\tolva", 0, nullptr, 0,
                        KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return {};

    unsigned char id[16] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(id);
    const LONG read = RegQueryValueExW(key.get(), nullptr, nullptr, &type, id, &size);
    // Only a full 16-byte binary value is an identifier; a shorter one would
    // leave bytes undefined, so it is replaced like a value of another type.
    if (read == ERROR_SUCCESS && type == REG_BINARY && size == sizeof(id))
        return HexUpper(id, sizeof(id));

    GUID guid = {};
    if (FAILED(CoCreateGuid(&guid)))
        return {};
    static_assert(sizeof(guid) == sizeof(id), "a GUID is 16 bytes");
    memcpy(id, &guid, sizeof(id));
    if (RegSetValueExW(key.get(), nullptr, 0, REG_BINARY, id, sizeof(id)) != ERROR_SUCCESS)
        return {};
    return HexUpper(id, sizeof(id));
}
