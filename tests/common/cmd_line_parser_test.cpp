#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/cmd_line_parser.h"
#include "support/test_files.h"

namespace {

using Flags = CCmdLineParser::Flags;
constexpr unsigned kAll = CCmdLineParser::AllFlags;

// The folder every case's files live in.
constexpr wchar_t kRoot[] = L"C:\\cmdline";

void MakeFile(const std::wstring& path) {
    ASSERT_TRUE(WriteWholeFile(path, "MZ")) << std::string(path.begin(), path.end());
}

// A stand-in for a file server's share \\fmserver\share: Wine serves UNC
// paths from its prefix's dosdevices\unc folder.
std::wstring UncFolderInPrefix() {
    // WINEPREFIX is a Unix path; Z: is the Unix root. Without it nothing is
    // made: a test never writes outside its prefix.
    std::wstring prefix = Environment(L"WINEPREFIX");
    if (prefix.empty())
        return {};
    for (wchar_t& c : prefix)
        if (c == L'/')
            c = L'\\';
    return L"Z:" + prefix + L"\\dosdevices\\unc\\fmserver\\share";
}

class CmdLineParser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const wchar_t* folder :
             {L"C:\\cmdline", L"C:\\cmdline\\Program Files", L"C:\\cmdline\\Program Files\\App",
              L"C:\\cmdline\\a", L"C:\\cmdline\\a\\b", L"C:\\cmdline\\My Tools",
              L"C:\\cmdline\\my.dir", L"C:\\cmdline\\onpath", L"C:\\cmdline\\dironly.exe"})
            CreateDirectoryW(folder, nullptr);
        for (const wchar_t* file :
             {L"C:\\cmdline\\Program Files\\App\\app.exe", L"C:\\cmdline\\Program",
              L"C:\\cmdline\\y.sys", L"C:\\cmdline\\a\\x.exe", L"C:\\cmdline\\My Tools\\t.exe",
              L"C:\\cmdline\\My", L"C:\\cmdline\\plain.exe", L"C:\\cmdline\\tool.v2.exe",
              L"C:\\cmdline\\my.dir\\inner.exe", L"C:\\cmdline\\onpath\\pathtool.exe"})
            MakeFile(file);
        const std::wstring unc = UncFolderInPrefix();
        ASSERT_FALSE(unc.empty()) << "WINEPREFIX names the test's prefix";
        for (const std::wstring& folder :
             {unc.substr(0, unc.rfind(L"\\fmserver")), unc.substr(0, unc.rfind(L'\\')), unc})
            CreateDirectoryW(folder.c_str(), nullptr);
        MakeFile(unc + L"\\y.exe");
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        MakeFile(std::wstring(temp) + L"fm_in_temp.exe");
    }
};

struct ParseCase {
    const char* what;
    const wchar_t* commandLine;
    unsigned flags;
    const wchar_t* baseDirectory;
    const wchar_t* expectedPath; // empty: nothing resolves
    const wchar_t* expectedArguments;
};

void Check(const ParseCase& c) {
    CCmdLineParser parser(c.flags);
    const int found = parser.Parse(c.commandLine, c.baseDirectory, nullptr);
    EXPECT_EQ(found, c.expectedPath[0] != L'\0' ? 1 : 0) << c.what;
    EXPECT_EQ(_wcsicmp(parser.Path(), c.expectedPath), 0)
        << c.what << ": got " << std::wstring(parser.Path()).c_str();
    if (c.expectedArguments == nullptr)
        EXPECT_EQ(parser.Arguments(), nullptr) << c.what;
    else
        EXPECT_STREQ(parser.Arguments() ? parser.Arguments() : L"(null)", c.expectedArguments)
            << c.what;
}

// Command lines as autostart values and shortcuts hold them.
TEST_F(CmdLineParser, ResolvesAbsoluteCommandLines) {
    const std::wstring temp = [] {
        wchar_t buffer[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, buffer);
        wchar_t longPath[MAX_PATH] = {};
        GetLongPathNameW(buffer, longPath, MAX_PATH);
        return std::wstring(longPath) + L"fm_in_temp.exe";
    }();
    const ParseCase cases[] = {
        {"quoted, with arguments", L"\"C:\\cmdline\\Program Files\\App\\app.exe\" -x", kAll,
         nullptr, L"C:\\cmdline\\Program Files\\App\\app.exe", L"-x"},
        {"quoted, arguments dropped without option 8",
         L"\"C:\\cmdline\\Program Files\\App\\app.exe\" -x", kAll & ~Flags::KeepArguments, nullptr,
         L"C:\\cmdline\\Program Files\\App\\app.exe", nullptr},
        {"unquoted with spaces: the longer candidate wins over C:\\cmdline\\Program",
         L"  C:\\cmdline\\Program Files\\App\\app.exe -x  -y", kAll, nullptr,
         L"C:\\cmdline\\Program Files\\App\\app.exe", L"-x  -y"},
        {"unquoted: only the shorter candidate exists",
         L"C:\\cmdline\\Program Filez\\App\\app.exe -x", kAll, nullptr, L"C:\\cmdline\\Program",
         L"Filez\\App\\app.exe -x"},
        {"extension added from the default list", L"C:\\cmdline\\Program Files\\App\\app /q", kAll,
         nullptr, L"C:\\cmdline\\Program Files\\App\\app.exe", L"/q"},
        {"forward slashes and doubled separators", L"C:/cmdline//a\\\\x.exe", kAll, nullptr,
         L"C:\\cmdline\\a\\x.exe", nullptr},
        {"%SystemRoot% prefix, one backslash after it", L"%SystemRoot%\\system32\\notepad.exe",
         kAll, nullptr, L"C:\\windows\\system32\\notepad.exe", nullptr},
        {"%windir% prefix in another letter case", L"%WINDIR%\\notepad.exe arg", kAll, nullptr,
         L"C:\\windows\\notepad.exe", L"arg"},
        {"%Temp% prefix", L"\"%temp%\\fm_in_temp.exe\"", kAll, nullptr, temp.c_str(), nullptr},
        {"an unknown environment prefix", L"%APPDATA%\\x.exe", kAll, nullptr, L"", nullptr},
        {"\\??\\ device prefix", L"\\??\\C:\\cmdline\\y.sys", kAll, nullptr, L"C:\\cmdline\\y.sys",
         nullptr},
        {"file:// URL with a drive", L"file://C:/cmdline/Program Files/App/app.exe", kAll, nullptr,
         L"C:\\cmdline\\Program Files\\App\\app.exe", nullptr},
        // A path on a network is never opened, so never found: the look would
        // hand the administrator's credentials to the host.
        {"file:// URL with a server", L"file://fmserver/share/y.exe", kAll, nullptr, L"", nullptr},
        {"UNC path", L"\\\\fmserver\\share\\y.exe -s", kAll, nullptr, L"", nullptr},
        {"a name with a dot in its file name is never extended", L"C:\\cmdline\\tool.v2", kAll,
         nullptr, L"", nullptr},
        {"a dot in a folder name does not stop the extension", L"C:\\cmdline\\my.dir\\inner", kAll,
         nullptr, L"C:\\cmdline\\my.dir\\inner.exe", nullptr},
        {"a directory is never a hit", L"C:\\cmdline\\a\\b", kAll, nullptr, L"", nullptr},
        {"a directory named like a program is never a hit", L"C:\\cmdline\\dironly.exe", kAll,
         nullptr, L"", nullptr},
        {"a missing closing quote", L"\"C:\\cmdline\\Program Files\\App\\app.exe -x", kAll, nullptr,
         L"", nullptr},
        {"only blanks and quotes", L" \t\"\"\" ", kAll, nullptr, L"", nullptr},
        {"empty", L"", kAll, nullptr, L"", nullptr},
        {"a missing file", L"C:\\cmdline\\missing.exe", kAll, nullptr, L"", nullptr},
    };
    for (const ParseCase& c : cases)
        Check(c);
}

TEST_F(CmdLineParser, ResolvesRelativeNames) {
    ASSERT_TRUE(SetEnvironmentVariableW(
        L"PATH", L";C:\\cmdline\\nowhere; \tC:\\cmdline\\onpath;C:\\windows\\system32"));
    ASSERT_TRUE(SetCurrentDirectoryW(kRoot));
    const ParseCase cases[] = {
        {"\"..\" against a base directory", L"..\\x.exe -a", kAll, L"C:\\cmdline\\a\\b",
         L"C:\\cmdline\\a\\x.exe", L"-a"},
        {"\".\" and \"..\" mixed", L".\\b\\..\\x", kAll, L"C:\\cmdline\\a\\",
         L"C:\\cmdline\\a\\x.exe", nullptr},
        {"more \"..\" than the base has components", L"..\\..\\..\\x.exe", kAll, L"C:\\cmdline",
         L"", nullptr},
        {"a relative name ending in a backslash", L"a\\", kAll, L"C:\\cmdline", L"", nullptr},
        {"quoted relative name with a blank", L"\"My Tools\\t.exe\" -q", kAll, L"C:\\cmdline",
         L"C:\\cmdline\\My Tools\\t.exe", L"-q"},
        {"unquoted relative name with a blank, longest wins", L"My Tools\\t.exe -q", kAll,
         L"C:\\cmdline", L"C:\\cmdline\\My Tools\\t.exe", L"-q"},
        {"the current directory without a base (option 1)", L"plain.exe /s", kAll, nullptr,
         L"C:\\cmdline\\plain.exe", L"/s"},
        {"no base and no option 1: the current directory is not tried", L"plain.exe",
         Flags::SearchSystemPaths | Flags::DefaultExtensions, nullptr, L"", nullptr},
        {"a bare name: the system directory is searched before the Windows directory", L"notepad",
         Flags::SearchSystemPaths | Flags::DefaultExtensions, nullptr,
         L"C:\\windows\\system32\\notepad.exe", nullptr},
        {"a bare name found in the Windows directory", L"regedit.exe -s",
         Flags::SearchSystemPaths | Flags::KeepArguments, nullptr, L"C:\\windows\\regedit.exe",
         L"-s"},
        {"a bare name found on the PATH, after an entry that does not exist", L"pathtool x", kAll,
         L"C:\\cmdline\\a", L"C:\\cmdline\\onpath\\pathtool.exe", L"x"},
        {"the SystemRoot prefix without percent signs", L"SystemRoot\\system32\\notepad.exe",
         Flags::SearchSystemPaths, nullptr, L"C:\\windows\\system32\\notepad.exe", nullptr},
        {"the system32 prefix", L"system32\\notepad.exe", Flags::SearchSystemPaths, nullptr,
         L"C:\\windows\\system32\\notepad.exe", nullptr},
        {"a bare name with a dots-only component is not searched", L"..\\notepad.exe",
         Flags::SearchSystemPaths, nullptr, L"", nullptr},
        {"a bare name without option 2 is not searched", L"notepad.exe", Flags::DefaultExtensions,
         nullptr, L"", nullptr},
    };
    for (const ParseCase& c : cases)
        Check(c);
}

TEST_F(CmdLineParser, GivenExtensionListReplacesTheDefault) {
    MakeFile(L"C:\\cmdline\\script.cmd");
    CCmdLineParser parser(kAll);
    EXPECT_EQ(parser.Parse(L"C:\\cmdline\\plain", nullptr, L"com;cmd"), 0);
    EXPECT_EQ(parser.Parse(L"C:\\cmdline\\script", nullptr, L"com;cmd"), 1);
    EXPECT_EQ(_wcsicmp(parser.Path(), L"C:\\cmdline\\script.cmd"), 0);
    // A parse that fails leaves nothing of the one before it.
    EXPECT_EQ(parser.Parse(L"C:\\cmdline\\missing.exe -z"), 0);
    EXPECT_STREQ(parser.Path(), L"");
    EXPECT_EQ(parser.Arguments(), nullptr);
}

} // namespace
