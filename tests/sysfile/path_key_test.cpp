#include <gtest/gtest.h>

#include "sysfile/digest_text.h"
#include "sysfile/path_key.h"

namespace {

std::wstring KeyText(const std::wstring& path, const std::wstring& windowsDir) {
    PathKey key = {};
    if (!ComputePathKey(path, windowsDir, key))
        return L"(failed)";
    return DigestText(key);
}

TEST(PathKey, KernelThirtyTwoUnderTheWindowsDirectory) {
    EXPECT_EQ(KeyText(L"C:\\WINDOWS\\system32\\kernel32.dll", L"C:\\WINDOWS\\"),
              L"44f6c6b4f58f273d8efbde33a80e272f");
    // The same path as the normalisation gives it, digested directly.
    EXPECT_EQ(KeyText(L"\\systemroot\\system32\\kernel32.dll", L""),
              L"44f6c6b4f58f273d8efbde33a80e272f");
}

TEST(PathKey, NormalisedPaths) {
    const struct {
        const wchar_t* path;
        const wchar_t* windowsDir;
        const wchar_t* normalised;
    } cases[] = {
        // The Windows directory is matched in its own letter case only.
        {L"c:\\windows\\system32\\kernel32.dll", L"C:\\WINDOWS\\",
         L"c:\\windows\\system32\\kernel32.dll"},
        {L"C:\\Windows\\System32\\KERNEL32.DLL", L"C:\\Windows\\",
         L"\\systemroot\\system32\\kernel32.dll"},
        // Every occurrence, left to right, without overlap.
        {L"C:\\W\\C:\\W\\x", L"C:\\W\\", L"\\systemroot\\\\systemroot\\x"},
        {L"C:\\W\\W\\x", L"W\\W\\", L"c:\\\\systemroot\\x"},
        // The directory without its trailing backslash is no match.
        {L"C:\\WINDOWS", L"C:\\WINDOWS\\", L"c:\\windows"},
        // Only A-Z change case: not accented or other letters.
        {L"D:\\\u00C4\u0130\u0391Z\\a.DLL", L"C:\\WINDOWS\\", L"d:\\\u00C4\u0130\u0391z\\a.dll"},
        // No Windows directory known: nothing is replaced.
        {L"C:\\WINDOWS\\a", L"", L"c:\\windows\\a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalisedPath(c.path, c.windowsDir), c.normalised) << c.path;
}

TEST(PathKey, AnotherLetterCaseOfTheWindowsDirectoryGivesAnotherKey) {
    const std::wstring key = KeyText(L"C:\\WINDOWS\\system32\\kernel32.dll", L"C:\\WINDOWS\\");
    EXPECT_NE(KeyText(L"c:\\windows\\system32\\kernel32.dll", L"C:\\WINDOWS\\"), key);
    EXPECT_NE(KeyText(L"C:\\Windows\\system32\\kernel32.dll", L"C:\\WINDOWS\\"), key);
}

} // namespace
