#include "common/file_digest.h"

#include <windows.h>

#include <vector>

#include "common/unique_resource.h"

bool DigestOfFile(const std::wstring& path, Digest& digest) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file && DigestOfOpenFile(file.get(), digest);
}

bool DigestOfOpenFile(void* file, Digest& digest) {
    Md5 md5;
    // Small enough to add little to the working set (two files are hashed at
    // once), large enough that the reads cost nothing beside the hashing.
    std::vector<unsigned char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return false;
        if (got == 0)
            break;
        md5.Update(chunk.data(), got);
    }
    return md5.Final(digest);
}
