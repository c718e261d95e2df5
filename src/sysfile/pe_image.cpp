#include "sysfile/pe_image.h"

#include <windows.h>

#include "common/unique_resource.h"

namespace {

bool ReadExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

} // namespace

bool IsPeImage(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    unsigned char dosHeader[64];
    if (!ReadExactly(file.get(), dosHeader, sizeof(dosHeader)) || dosHeader[0] != 'M' ||
        dosHeader[1] != 'Z')
        return false;
    const DWORD newHeader =
        static_cast<DWORD>(dosHeader[60]) | static_cast<DWORD>(dosHeader[61]) << 8 |
        static_cast<DWORD>(dosHeader[62]) << 16 | static_cast<DWORD>(dosHeader[63]) << 24;
    LARGE_INTEGER offset = {};
    offset.QuadPart = newHeader;
    if (!SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN))
        return false;
    unsigned char ntHeader[24];
    return ReadExactly(file.get(), ntHeader, sizeof(ntHeader)) && ntHeader[0] == 'P' &&
           ntHeader[1] == 'E';
}
