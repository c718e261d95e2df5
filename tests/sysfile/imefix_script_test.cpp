#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/unique_resource.h"
#include "sysfile/bin_resource_bytes.h"
#include "sysfile/input_method_script.h"
#include "support/test_files.h"

namespace {

void ExpectScriptForm(const std::string& script) {
    ASSERT_EQ(script.size(), 1506u);
    ASSERT_EQ(script.substr(0, 2), "\xff\xfe");
    const std::wstring text(reinterpret_cast<const wchar_t*>(script.data() + 2),
                            (script.size() - 2) / sizeof(wchar_t));
    EXPECT_EQ(text.rfind(L"Windows Registry Editor Version 5.00\r\n", 0), 0u);
    // Every line ends in CR LF; the last line has no line end.
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == L'\r') << "bare LF at " << i;
        }
        if (text[i] == L'\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "bare CR at " << i;
        }
    }
    const std::wstring lastLine = L"\r\n\"IME File\"=\"winabc.ime\"";
    ASSERT_GT(text.size(), lastLine.size());
    EXPECT_EQ(text.substr(text.size() - lastLine.size()), lastLine);
    EXPECT_NE(
        text.find(L"\"Layout Display Name\"=\"@%SystemRoot%\\\\system32\\\\input.dll,-5072\""),
        std::wstring::npos);
}

TEST(ImeFixScript, ProgramCarriesTheScriptResource) {
    UniqueLibrary program(
        LoadLibraryExW(ProgramUnderTest().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(program);
    const std::string script = BinResourceBytes(program.get(), kInputMethodScriptResource);
    ExpectScriptForm(script);
    EXPECT_EQ(script, BinResourceBytes(nullptr, kInputMethodScriptResource))
        << "the tests must use what the program carries";
}

} // namespace
