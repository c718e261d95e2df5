#pragma once

#include <windows.h>

// The language the windows speak: Chinese for a user whose Windows shows
// Chinese, English for everyone else. An English Windows XP or Server 2003
// has no East Asian fonts by default, so Chinese texts there are boxes.
enum class UiLanguage { Chinese, English };

// The user's language, decided once per process from GetUserDefaultUILanguage.
UiLanguage TheUiLanguage();
// The language a Windows language id stands for.
UiLanguage UiLanguageOf(LANGID language);
// The language tag of the dialog resources in LANGUAGE.
LANGID DialogResourceLanguage(UiLanguage language);
