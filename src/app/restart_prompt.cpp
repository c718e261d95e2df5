#include "app/restart_prompt.h"

#include <windows.h>

#include "common/proc_address.h"

void ShowRestartPrompt() {
    // Exported by ordinal only on every targeted Windows version.
    using RestartDialogFn = int(WINAPI*)(HWND, const wchar_t*, DWORD);
    // shell32 is linked into the program, so it is loaded for its whole life.
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!shell)
        return;
    auto restartDialog = ProcAddress<RestartDialogFn>(shell, MAKEINTRESOURCEA(59));
    if (restartDialog)
        restartDialog(nullptr, nullptr, EWX_REBOOT);
}
