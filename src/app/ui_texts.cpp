#include "app/ui_texts.h"

const wchar_t* UiTextIn(UiLanguage language, UiTextId id) {
    const UiTextForms& forms = kUiTexts[static_cast<size_t>(id)];
    return language == UiLanguage::Chinese ? forms.chinese : forms.english;
}

const wchar_t* UiText(UiTextId id) {
    return UiTextIn(TheUiLanguage(), id);
}
