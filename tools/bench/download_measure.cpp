// Times the program's own fetch of a good copy: download from the file
// server, MD5 verification and the move into place, ROUNDS times.
// Usage: download_measure <edition> <target> <digest text> <rounds>
// Prints one line per round: "<ms> <0|1 replaced>".
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "sysfile/good_copy_replacement.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fwprintf(stderr, L"usage: download_measure <edition> <target> <digest> <rounds>\n");
        return 2;
    }
    const int rounds = _wtoi(argv[4]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    for (int round = 0; round < rounds; ++round) {
        DeleteFileW(argv[2]);
        QueryPerformanceCounter(&start);
        const Replacement result = ReplaceWithGoodCopy(argv[1], argv[2], argv[3]);
        QueryPerformanceCounter(&end);
        std::printf("%.1f %d\n",
                    1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart),
                    result == Replacement::Done ? 1 : 0);
    }
    return 0;
}
