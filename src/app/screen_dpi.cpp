#include "app/screen_dpi.h"

#include <windows.h>

namespace {

constexpr int kNormalDpi = 96;

int ReadScreenDpi() {
    HDC screen = GetDC(nullptr);
    if (!screen)
        return kNormalDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kNormalDpi;
}

} // namespace

int ScreenDpi() {
    static const int dpi = ReadScreenDpi();
    return dpi;
}

int ScaledToScreen(int pixelsAt96Dpi) {
    return MulDiv(pixelsAt96Dpi, ScreenDpi(), kNormalDpi);
}
