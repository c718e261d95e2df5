#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "common/unique_resource.h"

// A healthy input method configuration as a fixture: installed layouts (Wine
// has none), language bar values, a Preload list, and a stand-in for the text
// services process, which Wine does not have.
class InputMethodFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void MakeHealthy();
    void SetPreload(const std::vector<std::wstring>& ids);
    // Preload values by name.
    std::map<std::wstring, std::wstring> PreloadValues();

    // Starts a copy of the idle helper named "ctfmon.exe" at PATH; its id.
    DWORD StartTextServices(const std::wstring& path = L"C:\\tools\\ctfmon.exe");
    void EndTextServices();
    void WaitForScriptImports();

    std::vector<UniqueHandle> started_;
};

extern const std::wstring kCtfKey;
extern const std::wstring kLangBarKey;
extern const std::wstring kMsutbKey;
extern const std::wstring kLayoutsKey;
// E0010804 is an input method whose file is present, E0020804 one whose file
// is missing, 00000407 a plain keyboard that is not the US one.
extern const wchar_t kPresentImeFile[];
extern const wchar_t kMissingImeFile[];
