#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/registry_fixture.h"
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

// The temporary folder of an elevated process is its user's own: a script
// planted there and held open, so that it cannot be rewritten, must not be
// what the registry editor imports with administrator rights.
TEST(ImeFixScript, ScriptPlantedInTheTemporaryFolderIsNeverImported) {
    wchar_t temporary[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temporary), 0u);
    const std::wstring planted = WithTrailingSlash(temporary) + L"IMEFIX.REG";
    const std::wstring plantedKey = L"SOFTWARE\\PlantedByAUser";
    const std::wstring layout = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\E0040804";
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, layout));
    ASSERT_TRUE(WriteWholeFile(planted, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                                        "PlantedByAUser]\r\n\"Planted\"=\"yes\"\r\n"));
    UniqueFile held(CreateFileW(planted.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    ImportInputMethodScript();

    // Nobody has to wait for the import: give either script time to arrive.
    for (int tries = 0; tries < 100; ++tries) {
        if (RegistryKeyExists(HKEY_LOCAL_MACHINE, plantedKey) ||
            RegistryKeyExists(HKEY_LOCAL_MACHINE, layout))
            break;
        Sleep(100);
    }
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, plantedKey));
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, layout, L"IME File"), L"winabc.ime")
        << "the program's own script was not imported";
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, plantedKey);
}

} // namespace
