#include "killers/started_programs.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>

#include "app/run_log.h"
#include "common/cmd_line_parser.h"
#include "common/network_path.h"
#include "common/registry.h"
#include "common/system_locations.h"
#include "common/unique_com.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kValueNameChars = 260;
constexpr DWORD kValueDataBytes = 522;

// Said in the log for a program on a network, which is never looked at.
constexpr char kNetworkSkippedLabel[] = "skip network path\t";

// The Run values of one hive. A value whose name or data does not fit the
// buffers is passed over, not the end of the walk: a long value written ahead
// of a carrier's must not hide it.
void VisitRunValues(HKEY root, const std::function<void(const wchar_t*)>& visit) {
    UniqueKey key;
    if (OpenKey(root, kRunKey, KEY_READ, key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kValueNameChars];
        DWORD nameChars = kValueNameChars;
        // One unit more than the data may fill, so that it always ends.
        wchar_t data[kValueDataBytes / sizeof(wchar_t) + 1] = {};
        DWORD dataBytes = kValueDataBytes;
        DWORD type = REG_NONE;
        const LONG read = RegEnumValueW(key.get(), index, name, &nameChars, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &dataBytes);
        if (read == ERROR_MORE_DATA)
            continue;
        if (read != ERROR_SUCCESS)
            return;
        if (type != REG_SZ)
            continue;
        data[MAX_PATH] = L'\0';
        CCmdLineParser parser(CCmdLineParser::AllFlags);
        if (parser.Parse(data) && parser.Path()[0] != L'\0')
            visit(parser.Path());
        else if (!parser.SkippedNetworkPath().empty())
            LogPathLine(kNetworkSkippedLabel, parser.SkippedNetworkPath());
    }
}

// The target path of a shortcut file, or false when it cannot be loaded or
// names no path.
bool ShortcutTarget(const wchar_t* shortcut, wchar_t (&target)[MAX_PATH]) {
    UniqueCom<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put()))))
        return false;
    UniqueCom<IPersistFile> file;
    if (FAILED(
            link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        FAILED(file.get()->Load(shortcut, STGM_READ)))
        return false;
    target[0] = L'\0';
    if (link.get()->GetPath(target, MAX_PATH, nullptr, 0) != S_OK)
        return false;
    target[MAX_PATH - 1] = L'\0';
    return target[0] != L'\0';
}

void VisitShortcuts(const wchar_t* folder, const std::function<void(const wchar_t*)>& visit) {
    if (folder == nullptr || folder[0] == L'\0')
        return;
    const std::wstring prefix = std::wstring(folder) + L'\\';
    WIN32_FIND_DATAW entry = {};
    UniqueFind find(FindFirstFileW((prefix + L"*.*").c_str(), &entry));
    if (!find)
        return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            _wcsicmp(PathFindExtensionW(entry.cFileName), L".lnk") != 0)
            continue;
        wchar_t target[MAX_PATH];
        if (!ShortcutTarget((prefix + entry.cFileName).c_str(), target))
            continue;
        if (IsNetworkPath(target))
            LogPathLine(kNetworkSkippedLabel, target);
        else
            visit(target);
    } while (FindNextFileW(find.get(), &entry));
}

} // namespace

const wchar_t* QuickLaunchDirectory() {
    static wchar_t folder[MAX_PATH];
    const wchar_t* appData = TheSystemLocations().appData;
    if (folder[0] == L'\0' && appData[0] != L'\0' &&
        std::swprintf(folder, MAX_PATH, L"%ls\\Microsoft\\Internet Explorer\\Quick Launch",
                      appData) < 0)
        folder[0] = L'\0';
    return folder;
}

void ForEachStartedProgram(const std::function<void(const wchar_t* program)>& visit) {
    VisitRunValues(HKEY_LOCAL_MACHINE, visit);
    VisitRunValues(HKEY_CURRENT_USER, visit);
    VisitShortcuts(QuickLaunchDirectory(), visit);
    VisitShortcuts(CommonDesktopDirectory(), visit);
    VisitShortcuts(DesktopDirectory(), visit);
}
