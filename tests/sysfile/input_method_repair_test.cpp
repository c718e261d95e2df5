#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <map>

#include "app/run_log.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/bin_resource_bytes.h"
#include "sysfile/input_method_check.h"
#include "sysfile/input_method_fixture.h"
#include "sysfile/input_method_repair.h"
#include "sysfile/input_method_script.h"
#include "sysfile/registry_fixture.h"
#include "sysfile/text_services_process.h"
#include "support/test_files.h"

namespace {

using InputMethodRepair = InputMethodFixture;
using InputMethodChinese = InputMethodFixture;
using Values = std::map<std::wstring, std::wstring>;

// Waits up to ten seconds for CONDITION: the import and the process start
// run on their own, nobody waits for them.
template <class Condition> bool Eventually(Condition condition) {
    for (int tries = 0; tries < 100; ++tries) {
        if (condition())
            return true;
        Sleep(100);
    }
    return condition();
}

std::wstring ProcessImage(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    wchar_t image[MAX_PATH] = {};
    if (!process || !GetModuleFileNameExW(process.get(), nullptr, image, MAX_PATH))
        return {};
    return image;
}

// Values are rewritten from "1" on and none is deleted: a higher-numbered old
// value keeps its data.
TEST_F(InputMethodRepair, PreloadIsRewrittenInPlace) {
    struct Case {
        const char* what;
        std::vector<std::wstring> preload;
        Values after;
    } cases[] = {
        {"a missing layout leaves the old last value",
         {L"00000409", L"0000BAD1", L"E0010804", L"0000BAD2"},
         {{L"1", L"00000409"}, {L"2", L"E0010804"}, {L"3", L"E0010804"}, {L"4", L"0000BAD2"}}},
        {"no US keyboard gets it as the first value",
         {L"00000407", L"0000BAD1", L"E0020804", L"E0010804"},
         {{L"1", L"00000409"}, {L"2", L"00000407"}, {L"3", L"E0010804"}, {L"4", L"E0010804"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetPreload(c.preload);
        InputMethodState state;
        EXPECT_FALSE(CheckInputMethods(state));
        RepairInputMethods(state);
        EXPECT_EQ(PreloadValues(), c.after);
    }
}

TEST_F(InputMethodRepair, MissingPreloadKeyIsCreated) {
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload"));
    InputMethodState state;
    state.PreloadLayouts = {L"E0010804"};
    RepairInputMethods(state);
    EXPECT_EQ(PreloadValues(), (Values{{L"1", L"00000409"}, {L"2", L"E0010804"}}));
}

TEST_F(InputMethodRepair, RestartsTextServicesAndImportsTheDefaults) {
    const std::wstring systemCtfmon = SystemDirectoryWithSlash() + L"ctfmon.exe";
    const DWORD oldProcessId = StartTextServices();
    ASSERT_NE(oldProcessId, 0u);
    UniqueHandle oldProcess(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, oldProcessId));
    ASSERT_TRUE(oldProcess);
    ASSERT_TRUE(CopyFileW(L"C:\\tools\\idle_process.exe", systemCtfmon.c_str(), FALSE));

    ASSERT_TRUE(SetDwordValue(HKEY_CURRENT_USER, kCtfKey, L"Disable Thread Input Manager", 1));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, kLangBarKey));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, kMsutbKey));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kLayoutsKey + L"00000804"));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kLayoutsKey + L"E0040804"));
    const std::wstring script = InputMethodScriptPath();
    ASSERT_TRUE(WriteWholeFile(script, std::string(4000, 'x')));

    InputMethodState state;
    EXPECT_FALSE(CheckInputMethods(state));
    RepairInputMethods(state);

    ASSERT_EQ(WaitForSingleObject(oldProcess.get(), 10000), WAIT_OBJECT_0);
    DWORD exitCode = ~0u;
    GetExitCodeProcess(oldProcess.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kCtfKey, L"Disable Thread Input Manager"), 0u);
    EXPECT_EQ(ReadWholeFile(script), BinResourceBytes(nullptr, kInputMethodScriptResource))
        << "an earlier file is replaced whole";

    DWORD newProcessId = 0;
    EXPECT_TRUE(Eventually([&] {
        newProcessId = FindTextServicesProcess();
        return newProcessId != 0 && newProcessId != oldProcessId;
    }));
    EXPECT_EQ(lstrcmpiW(ProcessImage(newProcessId).c_str(), systemCtfmon.c_str()), 0);

    const std::wstring chinese = kLayoutsKey + L"00000804";
    const std::wstring abc = kLayoutsKey + L"E0040804";
    ASSERT_TRUE(Eventually([&] {
        return StringValue(HKEY_LOCAL_MACHINE, abc, L"IME File") == L"winabc.ime";
    })) << "the script was not imported";
    struct DwordCase {
        const std::wstring& key;
        const wchar_t* name;
        DWORD data;
    } dwords[] = {
        {kLangBarKey, L"ShowStatus", 4},      {kLangBarKey, L"ExtraIconsOnMinimized", 0},
        {kLangBarKey, L"Transparency", 0xff}, {kLangBarKey, L"Label", 0},
        {kMsutbKey, L"ShowDeskBand", 1},      {kMsutbKey, L"Left", 0x400},
        {kMsutbKey, L"Top", 0x360},           {kMsutbKey, L"Vertical", 0},
    };
    for (const DwordCase& d : dwords) {
        SCOPED_TRACE(testing::Message() << d.name);
        EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, d.key, d.name), d.data);
    }
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, chinese, L"Layout Text"), L"中文 (简体) - 美式键盘");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, chinese, L"Layout File"), L"KBDUS.DLL");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, chinese, L"Layout Display Name"),
              L"@%SystemRoot%\\system32\\input.dll,-5072");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, abc, L"Layout File"), L"kbdus.dll");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, abc, L"Layout Text"), L"中文 (简体) - 智能 ABC");
}

TEST_F(InputMethodChinese, EnglishKeyboardIsReplacedByTheChineseLayout) {
    StartTextServices();
    SetPreload({L"00000409", L"E0010804"});
    InputMethodState state;
    EXPECT_FALSE(CheckInputMethods(state));
    EXPECT_EQ(TheRunLog().Text(), "eng keyboard\r\n");
    EXPECT_EQ(state.PreloadLayouts, (std::vector<std::wstring>{L"00000804", L"E0010804"}));
    EXPECT_EQ(state.usLayoutPresent, 1);

    RepairInputMethods(state);
    EXPECT_EQ(PreloadValues(), (Values{{L"1", L"00000804"}, {L"2", L"E0010804"}}))
        << "no extra first entry";
}

TEST_F(InputMethodChinese, WithoutUsKeyboardTheChineseLayoutComesFirst) {
    StartTextServices();
    SetPreload({L"E0010804", L"00000407"});
    InputMethodState state;
    EXPECT_TRUE(CheckInputMethods(state));
    EXPECT_EQ(state.usLayoutPresent, 0);
    RepairInputMethods(state);
    EXPECT_EQ(PreloadValues(),
              (Values{{L"1", L"00000804"}, {L"2", L"E0010804"}, {L"3", L"00000407"}}));
}

TEST_F(InputMethodChinese, MissingChineseLayoutIsLogged) {
    StartTextServices();
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kLayoutsKey + L"00000804"));
    InputMethodState state;
    EXPECT_FALSE(CheckInputMethods(state));
    EXPECT_EQ(TheRunLog().Text(), "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\"
                                  "Keyboard Layouts\\00000804 not open\r\n"
                                  "eng keyboard\r\n");
}

} // namespace
