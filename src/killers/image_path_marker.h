#pragma once

#include <string>
#include <string_view>

// The marker put in front of a service's image path so that Windows does not
// find the driver at its next start. Compared without regard to letter case.
inline constexpr std::wstring_view kImagePathMarker = L"ORVIX";

// Whether IMAGE_PATH begins with the marker.
bool HasImagePathMarker(std::wstring_view imagePath);

// IMAGE_PATH with the marker in front; unchanged when it is there already, so
// that runs before one restart never pile markers up.
std::wstring WithImagePathMarker(std::wstring_view imagePath);

// IMAGE_PATH without any of the markers at its front: one restart gives back
// the original path even when an earlier version put several there.
std::wstring WithoutImagePathMarkers(std::wstring_view imagePath);
