#pragma once

#include <string>

// What the window fixture rewrites, shared with the tests that check it.
constexpr int kFixtureItems = 4;
constexpr wchar_t kFixtureKey[] = L"Software\\FileMenderWindowFixture";
constexpr wchar_t kFixtureOldValue[] = L"old";
constexpr wchar_t kFixtureNewValue[] = L"new";
constexpr char kFixtureOldContent[] = "the old file content, whole";
constexpr char kFixtureNewContent[] = "the new file content, written in ten parts.....";
constexpr size_t kFixtureChunks = 10;
constexpr size_t kFixtureChunk =
    (sizeof(kFixtureNewContent) - 1 + kFixtureChunks - 1) / kFixtureChunks;

inline std::wstring FixtureFile(int i) {
    return L"C:\\fixture\\file" + std::to_wstring(i) + L".txt";
}
inline std::wstring FixtureValueName(int i) {
    return L"value" + std::to_wstring(i);
}
