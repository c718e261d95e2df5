#include "journal/pending_renames.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "journal/change_journal.h"
#include "journal/registry_state.h"

namespace {

const RegistryKeyPath kSessionManager = {HKEY_LOCAL_MACHINE,
                                         L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0};
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// "\??\C:\x", "!\??\C:\x" and "\\?\C:\x" all name the file C:\x.
std::wstring PlainPath(std::wstring name) {
    if (!name.empty() && name[0] == L'!')
        name.erase(0, 1);
    if (name.compare(0, 4, L"\\??\\") == 0 || name.compare(0, 4, L"\\\\?\\") == 0)
        name.erase(0, 4);
    return name;
}

bool SameName(const std::wstring& pending, const std::wstring& recorded) {
    return lstrcmpiW(PlainPath(pending).c_str(), PlainPath(recorded).c_str()) == 0;
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

// The index of the source of the last pair moving SOURCE to DESTINATION;
// pairs of source and destination (empty for a deletion), the list ending
// with an empty string, which is no pair.
std::optional<size_t> LastPair(const std::vector<std::wstring>& strings, const std::wstring& source,
                               const std::wstring& destination) {
    std::optional<size_t> found;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (SameName(strings[i], source) && SameName(strings[i + 1], destination))
            found = i;
    }
    return found;
}

} // namespace

PendingRename FindPendingRename(const std::wstring& source, const std::wstring& destination) {
    const std::optional<ValueState> state = ReadValueState(kSessionManager, kPendingValue);
    if (!state)
        return PendingRename::Unreadable;
    if (!state->present || state->type != REG_MULTI_SZ)
        return PendingRename::NotPending;
    return LastPair(Strings(state->bytes), source, destination) ? PendingRename::Pending
                                                                : PendingRename::NotPending;
}

bool CancelPendingRename(const std::wstring& source, const std::wstring& destination) {
    const std::optional<ValueState> state = ReadValueState(kSessionManager, kPendingValue);
    if (!state)
        return false;
    if (!state->present || state->type != REG_MULTI_SZ)
        return true;
    const std::vector<std::wstring> strings = Strings(state->bytes);
    const std::optional<size_t> pair = LastPair(strings, source, destination);
    if (!pair)
        return true;
    std::vector<std::wstring> kept;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (i == *pair)
            continue;
        kept.push_back(strings[i]);
        kept.push_back(strings[i + 1]);
    }
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
