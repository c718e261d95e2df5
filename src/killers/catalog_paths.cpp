#include "killers/catalog_paths.h"

#include <windows.h>

#include <climits>

#include "killers/error_mode_guard.h"

namespace {

catalog::Lookup EnvironmentValue(const std::string& name, std::string& value) {
    char buffer[catalog::kExpandedPathSize];
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer, sizeof(buffer));
    if (length == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return catalog::Lookup::Undefined;
        value.clear();
        return catalog::Lookup::Defined;
    }
    if (length >= sizeof(buffer))
        return catalog::Lookup::Failed;
    value.assign(buffer, length);
    return catalog::Lookup::Defined;
}

} // namespace

std::optional<std::string> ExpandPercentVariables(std::string_view text) {
    return catalog::ExpandPercentVariables(text, EnvironmentValue);
}

std::wstring FromActiveCodePage(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed) != needed)
        return {};
    return wide;
}

std::wstring SearchDll(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos)
        return {};
    ErrorModeGuard quiet;
    wchar_t found[MAX_PATH];
    const DWORD length = SearchPathW(nullptr, path.c_str(), nullptr, MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(found, length);
}

catalog::FileProbe ProbeProviderDll(const std::string& libraryPath, std::wstring* foundPath) {
    const std::optional<std::string> expanded = ExpandPercentVariables(libraryPath);
    if (!expanded || expanded->empty())
        return catalog::FileProbe::Failed;
    const std::wstring wide = FromActiveCodePage(*expanded);
    if (wide.empty())
        return catalog::FileProbe::Failed;
    const std::wstring found = SearchDll(wide);
    if (found.empty())
        return catalog::FileProbe::Missing;
    ErrorModeGuard quiet;
    const DWORD attributes = GetFileAttributesW(found.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return catalog::FileProbe::Missing;
    if (foundPath)
        *foundPath = found;
    return catalog::FileProbe::Found;
}
