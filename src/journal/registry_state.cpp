#include "journal/registry_state.h"

#include <aclapi.h>
#include <sddl.h>

#include <climits>
#include <cwchar>

#include "journal/journal_line.h"
#include "common/later_windows.h"
#include "common/windows_version.h"

namespace {

struct RootName {
    HKEY root;
    const wchar_t* name;
};
const RootName kRoots[] = {
    {HKEY_LOCAL_MACHINE, L"HKLM"},
    {HKEY_CURRENT_USER, L"HKCU"},
    {HKEY_CLASSES_ROOT, L"HKCR"},
    {HKEY_USERS, L"HKU"},
};

struct ViewName {
    REGSAM view;
    const wchar_t* suffix;
};
const ViewName kViews[] = {{KEY_WOW64_64KEY, L"(64)"}, {KEY_WOW64_32KEY, L"(32)"}, {0, L""}};

constexpr DWORD kOpenLink = 0x8; // REG_OPTION_OPEN_LINK
constexpr int kDeepestTree = 64;

std::wstring Joined(const std::wstring& parent, const std::wstring& child) {
    return parent.empty() ? child : parent + L"\\" + child;
}

RegistryKeyPath Below(const RegistryKeyPath& key, const std::wstring& child) {
    return {key.root, Joined(key.subKey, child), key.view};
}

// A key opened without following it when it is a link; true when it is one.
bool IsLinkKey(HKEY key) {
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

LONG OpenNotFollowing(const RegistryKeyPath& key, REGSAM access, UniqueKey& opened) {
    HKEY raw = nullptr;
    const LONG error =
        RegOpenKeyExW(key.root, key.subKey.c_str(), kOpenLink, access | key.view, &raw);
    if (error == ERROR_SUCCESS)
        opened.reset(raw);
    return error;
}

bool SubkeyNames(HKEY key, std::vector<std::wstring>& names) {
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(longest + 2);
    for (DWORD index = 0; index < count; ++index) {
        DWORD chars = static_cast<DWORD>(buffer.size());
        if (RegEnumKeyExW(key, index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return false;
        names.emplace_back(buffer.data(), chars);
    }
    return true;
}

bool ReadValueAt(HKEY key, const wchar_t* name, ValueState& state) {
    DWORD type = REG_NONE, size = 0;
    LONG error = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (error == ERROR_FILE_NOT_FOUND) {
        state = ValueState{};
        return true;
    }
    if (error != ERROR_SUCCESS || size > kLargestRecordedValue)
        return false;
    std::vector<unsigned char> bytes(size);
    // The value may grow between the two reads: ask again with what was said.
    error =
        RegQueryValueExW(key, name, nullptr, &type, bytes.empty() ? nullptr : bytes.data(), &size);
    if (error != ERROR_SUCCESS || size > bytes.size())
        return false;
    bytes.resize(size);
    state.present = true;
    state.type = type;
    state.bytes = std::move(bytes);
    return true;
}

bool ExportTreeAt(const RegistryKeyPath& key, const std::wstring& relative, int depth,
                  std::string& out) {
    if (depth > kDeepestTree || out.size() > kLargestRecordedTree)
        return false;
    UniqueKey opened;
    if (OpenNotFollowing(key, KEY_READ, opened) != ERROR_SUCCESS || IsLinkKey(opened.get()))
        return false;
    std::wstring dacl;
    if (ReadKeyDaclText(key, dacl) != ERROR_SUCCESS)
        return false;
    out += FormatLine({L"key", relative, dacl});

    DWORD values = 0, longestName = 0;
    if (RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &values, &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> nameBuffer(longestName + 2);
    for (DWORD index = 0; index < values; ++index) {
        DWORD chars = static_cast<DWORD>(nameBuffer.size());
        if (RegEnumValueW(opened.get(), index, nameBuffer.data(), &chars, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            return false;
        const std::wstring name(nameBuffer.data(), chars);
        ValueState state;
        if (!ReadValueAt(opened.get(), name.c_str(), state) || !state.present)
            return false;
        out += FormatLine({L"value", relative, name, std::to_wstring(state.type),
                           HexOf(state.bytes.data(), state.bytes.size())});
        if (out.size() > kLargestRecordedTree)
            return false;
    }
    std::vector<std::wstring> children;
    if (!SubkeyNames(opened.get(), children))
        return false;
    for (const std::wstring& child : children) {
        if (!ExportTreeAt(Below(key, child), Joined(relative, child), depth + 1, out))
            return false;
    }
    return true;
}

LONG DeleteTreeAt(const RegistryKeyPath& key, int depth) {
    if (depth > kDeepestTree)
        return ERROR_INVALID_PARAMETER;
    UniqueKey opened;
    LONG error = OpenNotFollowing(key, KEY_READ | DELETE, opened);
    if (error != ERROR_SUCCESS)
        return error;
    std::vector<std::wstring> children;
    // A link is deleted as the link it is, never the key it points at.
    if (!IsLinkKey(opened.get())) {
        if (!SubkeyNames(opened.get(), children))
            return ERROR_ACCESS_DENIED;
        for (const std::wstring& child : children) {
            error = DeleteTreeAt(Below(key, child), depth + 1);
            if (error != ERROR_SUCCESS)
                return error;
        }
    }
    opened.reset();
    const auto deleteKeyEx = later_windows::RegDeleteKeyExW();
    if (key.view != 0 && deleteKeyEx != nullptr)
        return deleteKeyEx(key.root, key.subKey.c_str(), key.view, 0);
    // Without the call (32-bit XP and Server 2003 before SP1) there is one
    // registry view only, unless a 32-bit program runs on 64-bit Windows,
    // which always has the call: a key of another view is never deleted in
    // the program's own view instead.
    if (key.view != 0 && RunsUnderWow64())
        return ERROR_NOT_SUPPORTED;
    return RegDeleteKeyW(key.root, key.subKey.c_str());
}

} // namespace

std::wstring RegistryKeyText(const RegistryKeyPath& key) {
    for (const RootName& root : kRoots) {
        if (root.root != key.root)
            continue;
        for (const ViewName& view : kViews) {
            if (view.view == (key.view & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)))
                return std::wstring(root.name) + view.suffix + L"\\" + key.subKey;
        }
    }
    return {};
}

std::optional<RegistryKeyPath> RegistryKeyOfText(const std::wstring& text) {
    const size_t slash = text.find(L'\\');
    const std::wstring head = text.substr(0, slash);
    for (const RootName& root : kRoots) {
        for (const ViewName& view : kViews) {
            if (head == std::wstring(root.name) + view.suffix)
                return RegistryKeyPath{root.root,
                                       slash == std::wstring::npos ? L"" : text.substr(slash + 1),
                                       view.view};
        }
    }
    return std::nullopt;
}

LONG OpenRegistryKey(const RegistryKeyPath& key, REGSAM access, UniqueKey& opened) {
    HKEY raw = nullptr;
    const LONG error = RegOpenKeyExW(key.root, key.subKey.c_str(), 0, access | key.view, &raw);
    if (error == ERROR_SUCCESS)
        opened.reset(raw);
    return error;
}

std::optional<ValueState> ReadValueState(const RegistryKeyPath& key, const wchar_t* name) {
    UniqueKey opened;
    const LONG error = OpenRegistryKey(key, KEY_QUERY_VALUE, opened);
    if (error == ERROR_FILE_NOT_FOUND)
        return ValueState{};
    if (error != ERROR_SUCCESS)
        return std::nullopt;
    ValueState state;
    if (!ReadValueAt(opened.get(), name, state))
        return std::nullopt;
    return state;
}

std::wstring ValueStateText(const ValueState& state) {
    if (!state.present)
        return L"absent";
    return L"value:" + std::to_wstring(state.type) + L":" +
           HexOf(state.bytes.data(), state.bytes.size());
}

std::optional<ValueState> ValueStateOfText(const std::wstring& text) {
    if (text == L"absent")
        return ValueState{};
    if (text.compare(0, 6, L"value:") != 0)
        return std::nullopt;
    const size_t colon = text.find(L':', 6);
    if (colon == std::wstring::npos || colon == 6 || colon - 6 > 10)
        return std::nullopt;
    unsigned long long type = 0;
    for (size_t i = 6; i < colon; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return std::nullopt;
        type = type * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    if (type > ULONG_MAX)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> bytes = BytesOfHex(text.substr(colon + 1));
    if (!bytes || bytes->size() > kLargestRecordedValue)
        return std::nullopt;
    ValueState state;
    state.present = true;
    state.type = static_cast<DWORD>(type);
    state.bytes = std::move(*bytes);
    return state;
}

bool RegistryKeyExists(const RegistryKeyPath& key) {
    UniqueKey opened;
    return OpenNotFollowing(key, KEY_QUERY_VALUE, opened) == ERROR_SUCCESS;
}

bool RegistryKeyIsEmpty(const RegistryKeyPath& key) {
    UniqueKey opened;
    if (OpenNotFollowing(key, KEY_READ, opened) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0, values = 0;
    return RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

std::optional<std::string> ExportKeyTree(const RegistryKeyPath& key) {
    std::string out;
    if (!ExportTreeAt(key, L"", 0, out))
        return std::nullopt;
    return out;
}

LONG ImportKeyTree(const RegistryKeyPath& key, const std::string& exported) {
    if (RegistryKeyExists(key))
        return ERROR_ALREADY_EXISTS;
    // Every key is created and filled first; DACLs come last, so that a DACL
    // that denies us access cannot keep the rest from being put back.
    std::vector<std::pair<RegistryKeyPath, std::wstring>> dacls;
    for (const std::vector<std::wstring>& line : ParseLines(exported)) {
        if (line.size() == 3 && line[0] == L"key") {
            const RegistryKeyPath path = line[1].empty() ? key : Below(key, line[1]);
            HKEY raw = nullptr;
            const LONG error = RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS | path.view, nullptr, &raw, nullptr);
            if (error != ERROR_SUCCESS)
                return error;
            RegCloseKey(raw);
            dacls.emplace_back(path, line[2]);
        } else if (line.size() == 5 && line[0] == L"value") {
            const RegistryKeyPath path = line[1].empty() ? key : Below(key, line[1]);
            std::optional<ValueState> state =
                ValueStateOfText(L"value:" + line[3] + L":" + line[4]);
            if (!state)
                return ERROR_INVALID_DATA;
            UniqueKey opened;
            LONG error = OpenRegistryKey(path, KEY_SET_VALUE, opened);
            if (error == ERROR_SUCCESS)
                error =
                    RegSetValueExW(opened.get(), line[2].c_str(), 0, state->type,
                                   state->bytes.data(), static_cast<DWORD>(state->bytes.size()));
            if (error != ERROR_SUCCESS)
                return error;
        } else {
            return ERROR_INVALID_DATA;
        }
    }
    for (auto it = dacls.rbegin(); it != dacls.rend(); ++it) {
        const LONG error = WriteKeyDaclText(it->first, it->second);
        if (error != ERROR_SUCCESS)
            return error;
    }
    return ERROR_SUCCESS;
}

LONG DeleteKeyTree(const RegistryKeyPath& key) {
    return DeleteTreeAt(key, 0);
}

LONG ReadKeyDaclText(const RegistryKeyPath& key, std::wstring& sddl) {
    UniqueKey opened;
    LONG error = OpenNotFollowing(key, READ_CONTROL, opened);
    if (error != ERROR_SUCCESS)
        return error;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    error =
        static_cast<LONG>(GetSecurityInfo(opened.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION,
                                          nullptr, nullptr, &dacl, nullptr, &raw));
    if (error != ERROR_SUCCESS)
        return error;
    UniqueLocal descriptor(raw);
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            raw, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return static_cast<LONG>(GetLastError());
    UniqueLocal textMemory(text);
    sddl = text;
    return ERROR_SUCCESS;
}

LONG WriteKeyDaclText(const RegistryKeyPath& key, const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &raw,
                                                              nullptr))
        return static_cast<LONG>(GetLastError());
    UniqueLocal descriptor(raw);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted) || !present)
        return ERROR_INVALID_DATA;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(raw, &control, &revision);
    const SECURITY_INFORMATION which =
        DACL_SECURITY_INFORMATION |
        ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
    UniqueKey opened;
    const LONG error = OpenNotFollowing(key, WRITE_DAC, opened);
    if (error != ERROR_SUCCESS)
        return error;
    return static_cast<LONG>(
        SetSecurityInfo(opened.get(), SE_REGISTRY_KEY, which, nullptr, nullptr, dacl, nullptr));
}
