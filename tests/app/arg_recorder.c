/* Stands in for what the program opens (the suite, a browser, the log's
   viewer): appends its own command line, as UTF-8, to C:\recorded.txt. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, wchar_t* commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    const wchar_t* line = GetCommandLineW();
    char text[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, text, sizeof(text) - 2, NULL, NULL);
    if (length <= 0)
        return 1;
    text[length - 1] = '\n';
    HANDLE file = CreateFileW(L"C:\\recorded.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, text, (DWORD)length, &written, NULL);
    CloseHandle(file);
    return 0;
}
