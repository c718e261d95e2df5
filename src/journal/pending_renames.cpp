#include "journal/pending_renames.h"

#include <windows.h>

#include <vector>

#include "journal/change_journal.h"
#include "journal/registry_state.h"

namespace {

const RegistryKeyPath kSessionManager = {HKEY_LOCAL_MACHINE,
                                         L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0};
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// "\??\C:\x" (and, for a destination, "!\??\C:\x") name the file C:\x.
std::wstring PlainPath(std::wstring name) {
    if (!name.empty() && name[0] == L'!')
        name.erase(0, 1);
    if (name.compare(0, 4, L"\\??\\") == 0)
        name.erase(0, 4);
    return name;
}

std::vector<std::wstring> Strings(const std::vector<unsigned char>& bytes) {
    std::vector<std::wstring> strings;
    std::wstring current;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == L'\0') {
            strings.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return strings;
}

} // namespace

bool CancelPendingRename(const std::wstring& source) {
    const std::optional<ValueState> state = ReadValueState(kSessionManager, kPendingValue);
    if (!state)
        return false;
    if (!state->present || state->type != REG_MULTI_SZ)
        return true;
    const std::vector<std::wstring> strings = Strings(state->bytes);
    std::vector<std::wstring> kept;
    bool found = false;
    // Pairs of source and destination (empty for a deletion); the list ends
    // with an empty string, which is no pair.
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (lstrcmpiW(PlainPath(strings[i]).c_str(), source.c_str()) == 0) {
            found = true;
            continue;
        }
        kept.push_back(strings[i]);
        kept.push_back(strings[i + 1]);
    }
    if (!found)
        return true;
    if (kept.empty())
        return JournaledDeleteValue(kSessionManager, kPendingValue) == ERROR_SUCCESS;
    std::wstring data;
    for (const std::wstring& text : kept) {
        data += text;
        data += L'\0';
    }
    data += L'\0';
    return JournaledSetValue(kSessionManager, kPendingValue, REG_MULTI_SZ, data.data(),
                             static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}
