// A DLL that is nothing but its version resource: planted over system files
// with the version text its resource script gives it. Wine reads the version
// of a copy of one of its own DLLs from the built-in of the copy's file name,
// so copies of Wine's DLLs cannot stand in for foreign builds.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
