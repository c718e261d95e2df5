#include "sysfile/input_method_check.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "app/run_log.h"
#include "common/narrow_text.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "common/windows_version.h"
#include "sysfile/input_method_keys.h"
#include "sysfile/text_services_process.h"

namespace {

constexpr size_t kLayoutValueChars = 512;
constexpr DWORD kValueNameChars = 16383;
constexpr DWORD kLayoutIdBytes = 32;

// A value that is missing or not a DWORD reads as 0.
DWORD DwordOrZero(HKEY key, const wchar_t* name) {
    DWORD value = 0;
    if (ReadDword(key, name, value) != ERROR_SUCCESS)
        return 0;
    return value;
}

// Only systems before Vista run the language bar as a process of its own.
bool LanguageBarProcessIsSound() {
    bool ok = true;
    if (FindTextServicesProcess() == 0) {
        TheRunLog().Append("ctfmon.exe not run\r\n");
        ok = false;
    }
    UniqueKey key;
    if (OpenKey(HKEY_CURRENT_USER, kLanguageBarBandKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS)
        return false;
    if (DwordOrZero(key.get(), L"ShowDeskBand") != 1) {
        TheRunLog().Append("HKEY_CURRENT_USER\\Software\\Microsoft\\CTF\\MSUTB ShowDeskBand\r\n");
        ok = false;
    }
    return ok;
}

bool ThreadInputManagerIsSound() {
    UniqueKey key;
    if (OpenKey(HKEY_CURRENT_USER, kTextServicesKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS)
        return true;
    if (DwordOrZero(key.get(), kDisableThreadInputManager) != 1)
        return true;
    TheRunLog().Append(
        "HKEY_CURRENT_USER\\Software\\Microsoft\\CTF Disable Thread Input Manager\r\n");
    return false;
}

bool LanguageBarIsShown() {
    UniqueKey key;
    if (OpenKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\CTF\\LangBar", KEY_ALL_ACCESS, key) !=
        ERROR_SUCCESS)
        return false;
    if (DwordOrZero(key.get(), L"ShowStatus") == 4)
        return true;
    TheRunLog().Append("HKEY_CURRENT_USER\\Software\\Microsoft\\CTF\\LangBar ShowStatus \r\n");
    return false;
}

bool ChineseLayoutIsInstalled() {
    UniqueKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, (std::wstring(kKeyboardLayoutsKey) + kChineseLayout).c_str(),
                KEY_ALL_ACCESS, key) == ERROR_SUCCESS)
        return true;
    TheRunLog().Append("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Keyboard "
                       "Layouts\\00000804 not open\r\n");
    return false;
}

// The layout id held by value INDEX of the Preload key; false when the value
// cannot be enumerated (its data is longer than a layout id can be, say).
bool PreloadedLayoutId(HKEY preload, DWORD index, std::wstring& id) {
    std::vector<wchar_t> name(kValueNameChars + 1, L'\0');
    DWORD nameChars = kValueNameChars + 1;
    wchar_t data[kLayoutIdBytes / sizeof(wchar_t)] = {};
    DWORD dataBytes = kLayoutIdBytes;
    if (RegEnumValueW(preload, index, name.data(), &nameChars, nullptr, nullptr,
                      reinterpret_cast<BYTE*>(data), &dataBytes) != ERROR_SUCCESS)
        return false;
    const size_t chars = dataBytes / sizeof(wchar_t);
    size_t length = 0;
    while (length < chars && data[length] != L'\0')
        ++length;
    id.assign(data, length);
    return true;
}

// Whether the layout ID is installed and, for an input method, its file is
// present; notes a US keyboard in STATE. Logs what is missing.
bool LayoutIsUsable(const std::wstring& id, InputMethodState& state) {
    UniqueKey layout;
    if (OpenKey(HKEY_LOCAL_MACHINE, (kKeyboardLayoutsKey + id).c_str(), KEY_ALL_ACCESS, layout) !=
        ERROR_SUCCESS) {
        TheRunLog().Append("SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\ not exist \r\n");
        return false;
    }
    std::wstring imeFile;
    if (ReadString(layout.get(), L"IME File", kLayoutValueChars, imeFile) != ERROR_SUCCESS) {
        std::wstring layoutFile;
        if (ReadString(layout.get(), L"Layout File", kLayoutValueChars, layoutFile) ==
                ERROR_SUCCESS &&
            StrStrIW(layoutFile.c_str(), L"kbdus.dll") != nullptr)
            state.usLayoutPresent = 1;
        return true;
    }
    const std::wstring imePath = SystemDirectoryWithSlash() + imeFile;
    UniqueFile ime(CreateFileW(imePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (ime)
        return true;
    TheRunLog().Append(ToNarrow(imePath) + "not exist \r\n");
    return false;
}

bool PreloadedLayoutsAreSound(InputMethodState& state, bool chineseSystem) {
    UniqueKey preload;
    if (OpenKey(HKEY_CURRENT_USER, kPreloadKey, KEY_READ, preload) != ERROR_SUCCESS) {
        TheRunLog().Append("Keyboard Layout\\Preload\r\n");
        return false;
    }
    bool ok = true;
    DWORD valueCount = 0;
    if (RegQueryInfoKeyW(preload.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &valueCount, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        valueCount = 0;
    if (valueCount < 2) {
        TheRunLog().Append("ime less than 2\r\n");
        ok = false;
    }
    state.PreloadLayouts.clear();
    state.usLayoutPresent = 0;
    for (DWORD index = 0; index < valueCount; ++index) {
        std::wstring id;
        if (!PreloadedLayoutId(preload.get(), index, id))
            continue;
        if (chineseSystem && id == kUsLayout) {
            // A Chinese system left with only the English keyboard gets the
            // Chinese layout with US keys in its place.
            TheRunLog().Append("eng keyboard\r\n");
            state.PreloadLayouts.push_back(kChineseLayout);
            state.usLayoutPresent = 1;
            ok = false;
        } else if (LayoutIsUsable(id, state)) {
            state.PreloadLayouts.push_back(id);
        } else {
            ok = false;
        }
    }
    return ok;
}

} // namespace

bool CheckInputMethods(InputMethodState& state) {
    bool ok = true;
    if (WindowsMajorVersion() < 6 && !LanguageBarProcessIsSound())
        ok = false;
    if (!ThreadInputManagerIsSound())
        ok = false;
    if (!LanguageBarIsShown())
        ok = false;
    const bool chineseSystem = GetSystemDefaultUILanguage() == kChineseLanguage;
    if (chineseSystem && !ChineseLayoutIsInstalled())
        ok = false;
    if (!PreloadedLayoutsAreSound(state, chineseSystem))
        ok = false;
    return ok;
}
