#include "app/font_pool.h"

#include "app/screen_dpi.h"

namespace {

constexpr LONG kBaseHeight = -11;

} // namespace

TvFontPool& TvFontPool::Instance() {
    static TvFontPool pool;
    return pool;
}

TvFontPool::TvFontPool() {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(base_), &base_);
    lstrcpynW(base_.lfFaceName, L"Tahoma", LF_FACESIZE);
    base_.lfHeight = kBaseHeight;
    GetFont(kFontBase);
}

TvFontPool::~TvFontPool() {
    for (const auto& entry : fonts_)
        DeleteObject(entry.second);
}

HFONT TvFontPool::GetFont(WORD key) {
    const auto found = fonts_.find(key);
    if (found != fonts_.end())
        return found->second;
    LOGFONTW description = base_;
    description.lfHeight = -ScaledToScreen(-kBaseHeight + static_cast<LONG>(key >> 8));
    description.lfWeight = (key & 0x4) ? FW_BOLD : FW_NORMAL;
    description.lfUnderline = (key & 0x2) ? TRUE : FALSE;
    description.lfItalic = (key & 0x1) ? TRUE : FALSE;
    HFONT font = CreateFontIndirectW(&description);
    if (font)
        fonts_.emplace(key, font);
    return font;
}
