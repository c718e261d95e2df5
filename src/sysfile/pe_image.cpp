#include "sysfile/pe_image.h"

#include "common/unique_resource.h"

namespace {

bool ReadExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

bool ReadAt(HANDLE file, LONGLONG offset, void* buffer, DWORD size) {
    LARGE_INTEGER at = {};
    at.QuadPart = offset;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadExactly(file, buffer, size);
}

} // namespace

bool IsPeImageFile(HANDLE file) {
    unsigned char dosHeader[64];
    if (!ReadAt(file, 0, dosHeader, sizeof(dosHeader)) || dosHeader[0] != 'M' ||
        dosHeader[1] != 'Z')
        return false;
    const DWORD newHeader =
        static_cast<DWORD>(dosHeader[60]) | static_cast<DWORD>(dosHeader[61]) << 8 |
        static_cast<DWORD>(dosHeader[62]) << 16 | static_cast<DWORD>(dosHeader[63]) << 24;
    unsigned char ntHeader[24];
    return ReadAt(file, newHeader, ntHeader, sizeof(ntHeader)) && ntHeader[0] == 'P' &&
           ntHeader[1] == 'E';
}

bool IsPeImage(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && IsPeImageFile(file.get());
}
