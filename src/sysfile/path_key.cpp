#include "sysfile/path_key.h"

#include <vector>

std::wstring NormalisedPath(const std::wstring& fullPath, const std::wstring& windowsDirWithSlash) {
    std::wstring path;
    if (windowsDirWithSlash.empty()) {
        path = fullPath;
    } else {
        size_t from = 0;
        for (size_t at = fullPath.find(windowsDirWithSlash); at != std::wstring::npos;
             at = fullPath.find(windowsDirWithSlash, from)) {
            path.append(fullPath, from, at - from);
            path += L"\\systemroot\\";
            from = at + windowsDirWithSlash.size();
        }
        path.append(fullPath, from, std::wstring::npos);
    }
    // What the C library's towlower does in the "C" locale, independent of
    // whatever locale the process has set.
    for (wchar_t& c : path) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return path;
}

bool ComputePathKey(const std::wstring& fullPath, const std::wstring& windowsDirWithSlash,
                    PathKey& key) {
    const std::wstring path = NormalisedPath(fullPath, windowsDirWithSlash);
    // wchar_t is 16 bits on Windows, but the key is defined on little-endian
    // code units, so spell them out.
    std::vector<unsigned char> units;
    units.reserve(path.size() * 2);
    for (wchar_t c : path) {
        const unsigned value = static_cast<unsigned>(c) & 0xFFFFu;
        units.push_back(static_cast<unsigned char>(value & 0xFF));
        units.push_back(static_cast<unsigned char>(value >> 8));
    }
    return Md5Of(units.data(), units.size(), key);
}
