// Holds the file named first on its command line open without any sharing, as
// a loaded driver that protects its own file does, signals the event named
// second once it holds it, and waits until it is ended.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const HANDLE holding = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!holding || !SetEvent(holding))
        return 3;
    Sleep(10 * 60 * 1000);
    CloseHandle(holding);
    CloseHandle(file);
    return 0;
}
