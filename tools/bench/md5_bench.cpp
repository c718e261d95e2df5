// Digests one file with the program's MD5 and prints the digest and the time
// taken for reading and hashing, without Wine's start-up.
#include <windows.h>

#include <cstdio>

#include "common/file_digest.h"
#include "common/narrow_text.h"
#include "sysfile/digest_text.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: md5_bench FILE\n");
        return 2;
    }
    LARGE_INTEGER frequency = {}, start = {}, end = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Digest digest = {};
    if (!DigestOfFile(argv[1], digest)) {
        std::printf("cannot digest the file\n");
        return 1;
    }
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    std::printf("%s %.3f\n", ToNarrow(DigestText(digest)).c_str(), seconds);
    return 0;
}
