#include "sysfile/input_method_repair.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/stop_request.h"
#include "journal/change_journal.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/input_method_keys.h"
#include "sysfile/input_method_script.h"
#include "sysfile/text_services_process.h"

namespace {

const RegistryKeyPath kPreload = {HKEY_CURRENT_USER, kPreloadKey};

// The key "Preload" is created only below an existing "Keyboard Layout".
bool PreloadKeyIsThere() {
    UniqueKey preload;
    if (OpenKey(HKEY_CURRENT_USER, kPreloadKey, KEY_ALL_ACCESS, preload) == ERROR_SUCCESS)
        return true;
    UniqueKey keyboardLayout;
    if (OpenKey(HKEY_CURRENT_USER, L"Keyboard Layout", KEY_ALL_ACCESS, keyboardLayout) !=
        ERROR_SUCCESS)
        return false;
    return JournaledCreateKey(kPreload, KEY_ALL_ACCESS, preload) == ERROR_SUCCESS;
}

// Values are numbered from "1"; none is deleted, so values numbered above the
// last one written keep their old data.
void RewritePreloadedLayouts(const InputMethodState& state) {
    if (!PreloadKeyIsThere())
        return;
    int number = 1;
    if (!state.usLayoutPresent) {
        const bool chineseSystem = GetSystemDefaultUILanguage() == kChineseLanguage;
        (void)JournaledSetString(kPreload, std::to_wstring(number++).c_str(),
                                 chineseSystem ? kChineseLayout : kUsLayout);
    }
    for (const std::wstring& id : state.PreloadLayouts)
        (void)JournaledSetString(kPreload, std::to_wstring(number++).c_str(), id);
}

void EndTextServicesProcess() {
    const DWORD processId = FindTextServicesProcess();
    if (processId == 0)
        return;
    UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (process)
        (void)JournaledTerminateProcess(process.get(), processId, L"ctfmon.exe", 0);
}

void EnableThreadInputManager() {
    (void)JournaledSetDword({HKEY_CURRENT_USER, kTextServicesKey}, kDisableThreadInputManager, 0);
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
    if (StopRequested())
        return;
    EndTextServicesProcess();
    EnableThreadInputManager();
    if (!StopRequested())
        ImportInputMethodScript();
    // Ended above, so started again even when the run is stopping.
    StartTextServicesProcess();
}
