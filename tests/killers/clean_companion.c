/* A plain 32-bit DLL, the clean original from which the tests make infected
   samples. Built without the C runtime so that it stays small. */
#include <windows.h>

static volatile LONG attachCount;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        InterlockedIncrement(&attachCount);
    return TRUE;
}

__declspec(dllexport) LONG CompanionAttachCount(void) {
    return attachCount;
}
