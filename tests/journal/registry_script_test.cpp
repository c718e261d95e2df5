#include <gtest/gtest.h>

#include "journal/registry_script.h"

namespace {

TEST(RegistryScript, SetsOfEveryFormAreRead) {
    const auto script = ParseRegistryScript(L"Windows Registry Editor Version 5.00\r\n"
                                            L"\r\n"
                                            L"; a comment\r\n"
                                            L"[HKEY_CURRENT_USER\\Software\\A]\r\n"
                                            L"\"Text\"=\"say \\\"hi\\\" C:\\\\x\"\r\n"
                                            L"@=dword:0000010a\r\n"
                                            L"\"Bin\"=hex:01,02,\\\r\n"
                                            L"  03\r\n"
                                            L"\"Expand\"=hex(2):25,00,00,00\r\n"
                                            L"[HKEY_LOCAL_MACHINE\\SYSTEM\\B]\r\n");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->keys, (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\A",
                                                       L"HKEY_LOCAL_MACHINE\\SYSTEM\\B"}));
    ASSERT_EQ(script->values.size(), 4u);
    const std::wstring text = L"say \"hi\" C:\\x";
    std::vector<unsigned char> utf16;
    for (wchar_t c : text) {
        utf16.push_back(static_cast<unsigned char>(c));
        utf16.push_back(0);
    }
    utf16.insert(utf16.end(), {0, 0});
    EXPECT_EQ(script->values[0].name, L"Text");
    EXPECT_EQ(script->values[0].type, 1u);
    EXPECT_EQ(script->values[0].bytes, utf16);
    EXPECT_EQ(script->values[1].name, L"");
    EXPECT_EQ(script->values[1].bytes, (std::vector<unsigned char>{0x0a, 0x01, 0, 0}));
    EXPECT_EQ(script->values[2].type, 3u);
    EXPECT_EQ(script->values[2].bytes, (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(script->values[3].type, 2u);
}

// What cannot be recorded value by value is not imported at all.
TEST(RegistryScript, DeletionsAndUnknownFormsRefuseTheWholeScript) {
    const wchar_t* const refused[] = {
        L"REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\A]\n",        // key deletion
        L"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=-\n",          // value deletion
        L"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:123\n",  // short dword
        L"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex(2x):00\n", // bad type
        L"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"open\n",     // unterminated string
        L"REGEDIT4\n\"x\"=dword:00000001\n",                     // value before any key
        L"not a script\n",
    };
    for (const wchar_t* text : refused)
        EXPECT_FALSE(ParseRegistryScript(text)) << static_cast<const void*>(text);
}

} // namespace
