#pragma once

#include <windows.h>

// Registry names and layout ids that the input method check and its repair share.
constexpr wchar_t kPreloadKey[] = L"Keyboard Layout\\Preload";
constexpr wchar_t kTextServicesKey[] = L"Software\\Microsoft\\CTF";
constexpr wchar_t kLanguageBarBandKey[] = L"Software\\Microsoft\\CTF\\MSUTB";
constexpr wchar_t kDisableThreadInputManager[] = L"Disable Thread Input Manager";
constexpr wchar_t kKeyboardLayoutsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\";

constexpr wchar_t kUsLayout[] = L"00000409";
// The Chinese (Simplified) layout with US keys.
constexpr wchar_t kChineseLayout[] = L"00000804";
constexpr LANGID kChineseLanguage = 2052;
