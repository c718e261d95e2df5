#include "common/file_content.h"

std::optional<std::string> ContentOfFile(HANDLE file, LONGLONG limit) {
    LARGE_INTEGER size = {};
    LARGE_INTEGER start = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > limit ||
        !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return std::nullopt;
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!content.empty() &&
        (!ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr) ||
         got != content.size()))
        return std::nullopt;
    return content;
}
