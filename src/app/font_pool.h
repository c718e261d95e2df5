#pragma once

#include <windows.h>

#include <map>

// Font style keys: bits 8 to 15 add to the size, bit 2 bold, bit 1
// underline, bit 0 italic.
constexpr WORD kFontBase = 0x0000;
constexpr WORD kFontLink = 0x0002;
constexpr WORD kFontHeader = 0x0A00;

// The process-wide cache of the fonts both dialogs draw with: Tahoma, 11
// pixels high at 96 dots per inch (more at a higher resolution, as the dialog
// font grows), varied by a style key. Fonts live as long as the process;
// callers select them and never delete them. Used on the dialog thread only.
class TvFontPool {
public:
    static TvFontPool& Instance();

    // The font of style KEY, created on the first request; null when it cannot
    // be created (nothing is kept then, a later request tries again).
    HFONT GetFont(WORD key);

private:
    TvFontPool();
    ~TvFontPool();
    TvFontPool(const TvFontPool&) = delete;
    TvFontPool& operator=(const TvFontPool&) = delete;

    LOGFONTW base_ = {};
    std::map<WORD, HFONT> fonts_;
};
