/* Holds the file named first open without any sharing, so that nobody can
 * read, replace, rename or delete it, creates the file named second once it
 * holds it, and waits until it is ended (at most ten minutes). */
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE marker = CreateFileW(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker == INVALID_HANDLE_VALUE)
        return 3;
    CloseHandle(marker);
    Sleep(10 * 60 * 1000);
    CloseHandle(file);
    return 0;
}
