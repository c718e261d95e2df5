/* Loads the DLL named on its command line and waits to be ended: a process
   of the test's own with a chosen module loaded. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    if (!LoadLibraryW(commandLine))
        return 1;
    Sleep(10 * 60 * 1000);
    return 0;
}
