#include "killers/image_path_marker.h"

namespace {

// Letter case is folded for ASCII only: the marker is ASCII, and folding other
// letters could let a path that merely looks alike lose its first characters.
wchar_t FoldAscii(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

bool HasImagePathMarker(std::wstring_view imagePath) {
    if (imagePath.size() < kImagePathMarker.size())
        return false;
    for (size_t i = 0; i < kImagePathMarker.size(); ++i) {
        if (FoldAscii(imagePath[i]) != kImagePathMarker[i])
            return false;
    }
    return true;
}

std::wstring WithImagePathMarker(std::wstring_view imagePath) {
    if (HasImagePathMarker(imagePath))
        return std::wstring(imagePath);
    std::wstring marked(kImagePathMarker);
    marked += imagePath;
    return marked;
}

std::wstring WithoutImagePathMarkers(std::wstring_view imagePath) {
    while (HasImagePathMarker(imagePath))
        imagePath.remove_prefix(kImagePathMarker.size());
    return std::wstring(imagePath);
}
