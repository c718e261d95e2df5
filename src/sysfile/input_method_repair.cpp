#include "sysfile/input_method_repair.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/input_method_keys.h"
#include "sysfile/input_method_script.h"
#include "sysfile/text_services_process.h"

namespace {

LONG OpenOrCreatePreloadKey(UniqueKey& preload) {
    if (OpenKey(HKEY_CURRENT_USER, kPreloadKey, KEY_ALL_ACCESS, preload) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    UniqueKey keyboardLayout;
    if (OpenKey(HKEY_CURRENT_USER, L"Keyboard Layout", KEY_ALL_ACCESS, keyboardLayout) ==
        ERROR_SUCCESS) {
        UniqueKey created;
        RegCreateKeyW(keyboardLayout.get(), L"Preload", created.put());
    }
    return OpenKey(HKEY_CURRENT_USER, kPreloadKey, KEY_ALL_ACCESS, preload);
}

// Values are numbered from "1"; none is deleted, so values numbered above the
// last one written keep their old data.
void RewritePreloadedLayouts(const InputMethodState& state) {
    UniqueKey preload;
    if (OpenOrCreatePreloadKey(preload) != ERROR_SUCCESS)
        return;
    int number = 1;
    if (!state.usLayoutPresent) {
        const bool chineseSystem = GetSystemDefaultUILanguage() == kChineseLanguage;
        (void)WriteString(preload.get(), std::to_wstring(number++).c_str(),
                          chineseSystem ? kChineseLayout : kUsLayout);
    }
    for (const std::wstring& id : state.PreloadLayouts)
        (void)WriteString(preload.get(), std::to_wstring(number++).c_str(), id);
}

void EndTextServicesProcess() {
    const DWORD processId = FindTextServicesProcess();
    if (processId == 0)
        return;
    UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (process)
        TerminateProcess(process.get(), 0);
}

void EnableThreadInputManager() {
    UniqueKey key;
    if (OpenKey(HKEY_CURRENT_USER, kTextServicesKey, KEY_ALL_ACCESS, key) == ERROR_SUCCESS)
        (void)WriteDword(key.get(), kDisableThreadInputManager, 0);
}

void StartTextServicesProcess() {
    const std::wstring systemDirectory = SystemDirectoryWithSlash();
    if (systemDirectory.empty())
        return;
    const std::wstring program = systemDirectory + L"ctfmon.exe";
    ShellExecuteW(nullptr, nullptr, program.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

void RepairInputMethods(const InputMethodState& state) {
    RewritePreloadedLayouts(state);
    EndTextServicesProcess();
    EnableThreadInputManager();
    ImportInputMethodScript();
    StartTextServicesProcess();
}
