#include "app/ui_language.h"

UiLanguage UiLanguageOf(LANGID language) {
    // Traditional Chinese reads the simplified texts better than English.
    return PRIMARYLANGID(language) == LANG_CHINESE ? UiLanguage::Chinese : UiLanguage::English;
}

UiLanguage TheUiLanguage() {
    static const UiLanguage language = UiLanguageOf(GetUserDefaultUILanguage());
    return language;
}

LANGID DialogResourceLanguage(UiLanguage language) {
    return language == UiLanguage::Chinese ? MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)
                                           : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}
