#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "app/run_log.h"
#include "common/narrow_text.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/input_method_check.h"
#include "sysfile/input_method_fixture.h"
#include "sysfile/registry_fixture.h"
#include "sysfile/text_services_process.h"

namespace {

using InputMethodCheck = InputMethodFixture;
using InputMethodNewSystem = InputMethodFixture;

using Layouts = std::vector<std::wstring>;

TEST_F(InputMethodCheck, HealthyXpConfigurationLogsNothing) {
    const DWORD textServices = StartTextServices();
    EXPECT_EQ(FindTextServicesProcess(), textServices);

    InputMethodState state;
    EXPECT_TRUE(CheckInputMethods(state));
    EXPECT_EQ(TheRunLog().Text(), "");
    EXPECT_EQ(state.PreloadLayouts, (Layouts{L"00000409", L"E0010804"}));
    EXPECT_EQ(state.usLayoutPresent, 1);
}

// Only an image named like the text services program is taken for it (and so
// ended by the repair): a program that merely lives in a folder of that name
// is not.
TEST_F(InputMethodCheck, ProgramInAFolderNamedLikeTheTextServicesIsNotIt) {
    EndTextServices();
    CreateDirectoryW(L"C:\\ctfmon.exe", nullptr);
    const DWORD other = StartTextServices(L"C:\\ctfmon.exe\\other.exe");
    ASSERT_NE(other, 0u);
    const ScopeExit end([other] {
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, other));
        if (process) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
        }
    });
    EXPECT_EQ(FindTextServicesProcess(), 0u);
}

TEST_F(InputMethodCheck, EachFindingIsLoggedAndFails) {
    StartTextServices();
    struct Case {
        const char* what;
        std::function<void()> damage;
        std::string log;
        bool ok;
    } cases[] = {
        {"band hidden", [] { SetDwordValue(HKEY_CURRENT_USER, kMsutbKey, L"ShowDeskBand", 0); },
         "HKEY_CURRENT_USER\\Software\\Microsoft\\CTF\\MSUTB ShowDeskBand\r\n", false},
        {"band key missing", [] { DeleteRegistryTree(HKEY_CURRENT_USER, kMsutbKey); }, "", false},
        {"thread input manager off",
         [] { SetDwordValue(HKEY_CURRENT_USER, kCtfKey, L"Disable Thread Input Manager", 1); },
         "HKEY_CURRENT_USER\\Software\\Microsoft\\CTF Disable Thread Input Manager\r\n", false},
        {"only 1 switches the thread input manager off",
         [] { SetDwordValue(HKEY_CURRENT_USER, kCtfKey, L"Disable Thread Input Manager", 2); }, "",
         true},
        {"language bar hidden",
         [] { SetDwordValue(HKEY_CURRENT_USER, kLangBarKey, L"ShowStatus", 3); },
         "HKEY_CURRENT_USER\\Software\\Microsoft\\CTF\\LangBar ShowStatus \r\n", false},
        {"language bar key missing", [] { DeleteRegistryTree(HKEY_CURRENT_USER, kLangBarKey); }, "",
         false},
        {"one layout only", [this] { SetPreload({L"00000409"}); }, "ime less than 2\r\n", false},
        {"layout not installed",
         [this] {
             SetPreload({L"00000409", L"0000BAD1"});
         },
         "SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\ not exist \r\n", false},
        {"input method file missing",
         [this] {
             SetPreload({L"00000409", L"E0020804"});
         },
         ToNarrow(SystemDirectoryWithSlash() + kMissingImeFile) + "not exist \r\n", false},
        {"no text services process", [this] { EndTextServices(); }, "ctfmon.exe not run\r\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeHealthy();
        c.damage();
        TheRunLog().Assign(nullptr);
        InputMethodState state;
        EXPECT_EQ(CheckInputMethods(state), c.ok);
        EXPECT_EQ(TheRunLog().Text(), c.log);
    }
}

TEST_F(InputMethodCheck, MissingPreloadKeyEndsTheCheckAndKeepsTheState) {
    StartTextServices();
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload"));
    InputMethodState state;
    state.PreloadLayouts = {L"00000407"};
    state.usLayoutPresent = 1;
    EXPECT_FALSE(CheckInputMethods(state));
    EXPECT_EQ(TheRunLog().Text(), "Keyboard Layout\\Preload\r\n");
    EXPECT_EQ(state.PreloadLayouts, Layouts{L"00000407"});
    EXPECT_EQ(state.usLayoutPresent, 1);
}

TEST_F(InputMethodCheck, UnusableLayoutsAreDroppedAndUsKeyboardNoted) {
    StartTextServices();
    struct Case {
        Layouts preload;
        Layouts kept;
        LONG us;
    } cases[] = {
        // An input method's own layout file does not count as a US keyboard.
        {{L"00000407", L"0000BAD1", L"E0020804", L"E0010804"}, {L"00000407", L"E0010804"}, 0},
        {{L"E0010804", L"00000409"}, {L"E0010804", L"00000409"}, 1},
        {{L"E0020804", L"00000409", L"0000BAD1"}, {L"00000409"}, 1},
    };
    for (const Case& c : cases) {
        SetPreload(c.preload);
        InputMethodState state;
        state.PreloadLayouts = {L"stale"};
        state.usLayoutPresent = !c.us;
        CheckInputMethods(state);
        EXPECT_EQ(state.PreloadLayouts, c.kept);
        EXPECT_EQ(state.usLayoutPresent, c.us);
    }
}

// Since Vista the language bar runs inside the shell: no process of its own,
// no band settings.
TEST_F(InputMethodNewSystem, ProcessAndBandAreNotChecked) {
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, kMsutbKey));
    ASSERT_EQ(FindTextServicesProcess(), 0u);
    InputMethodState state;
    EXPECT_TRUE(CheckInputMethods(state));
    EXPECT_EQ(TheRunLog().Text(), "");
}

} // namespace
